// 翻牌配对: turn two cards; a pair stays open. Open all pairs in as few turns as you can.
(function () {
  var faces = ['春', '夏', '秋', '冬', '梅', '兰', '竹', '菊'];
  var game = document.getElementById('game'), cards, up, done, turns, busy;
  game.innerHTML = '<p>步数：<b id="turns">0</b> <span id="state">翻开两张相同的牌</span> ' +
    '<button id="again">重新开始</button></p><div class="board" id="board" ' +
    'style="grid-template-columns: repeat(4, 70px)"></div>';
  var board = document.getElementById('board');
  function reset() {
    cards = faces.concat(faces);
    for (var i = cards.length - 1; i > 0; i--) {
      var j = Math.floor(Math.random() * (i + 1)), t = cards[i]; cards[i] = cards[j]; cards[j] = t;
    }
    up = []; done = []; turns = 0; busy = false;
    document.getElementById('state').textContent = '翻开两张相同的牌';
    draw();
  }
  function draw() {
    board.innerHTML = cards.map(function (f, i) {
      var cls = done.indexOf(i) >= 0 ? ' done' : (up.indexOf(i) >= 0 ? ' up' : '');
      return '<div class="cell card' + cls + '" data-i="' + i + '">' + f + '</div>';
    }).join('');
    document.getElementById('turns').textContent = turns;
  }
  board.addEventListener('click', function (e) {
    var i = +e.target.getAttribute('data-i');
    if (busy || isNaN(i) || up.indexOf(i) >= 0 || done.indexOf(i) >= 0) return;
    up.push(i); draw();
    if (up.length < 2) return;
    turns++;
    if (cards[up[0]] === cards[up[1]]) {
      done = done.concat(up); up = []; draw();
      if (done.length === cards.length) document.getElementById('state').textContent = '全部配对成功！';
    } else {
      busy = true;
      setTimeout(function () { up = []; busy = false; draw(); }, 700);
    }
  });
  document.getElementById('again').addEventListener('click', reset);
  reset();
})();
