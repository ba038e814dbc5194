// Enter in any box of the login form submits it, also where the form has no submit button.
(function () {
  var form = document.getElementById('login');
  if (!form) return;
  Array.prototype.forEach.call(form.querySelectorAll('input'), function (input) {
    input.addEventListener('keydown', function (e) {
      if (e.key === 'Enter') {
        e.preventDefault();
        form.submit();
      }
    });
  });
})();
