// 扫雷: left click opens a cell, right click sets a flag. Open every cell without a mine.
(function () {
  var W = 12, H = 10, MINES = 16, game = document.getElementById('game');
  var mines, open, flag, over, left;
  game.innerHTML = '<p>剩余：<b id="left"></b> <span id="state">点击格子开始</span> ' +
    '<button id="again">重新开始</button></p><div class="board" id="board" ' +
    'style="grid-template-columns: repeat(' + W + ', 26px); gap: 2px"></div>';
  var board = document.getElementById('board');
  function around(i) {
    var x = i % W, y = Math.floor(i / W), out = [];
    for (var dy = -1; dy <= 1; dy++) for (var dx = -1; dx <= 1; dx++) {
      var nx = x + dx, ny = y + dy;
      if ((dx || dy) && nx >= 0 && ny >= 0 && nx < W && ny < H) out.push(ny * W + nx);
    }
    return out;
  }
  function count(i) { return around(i).filter(function (j) { return mines[j]; }).length; }
  function reset() {
    mines = []; open = []; flag = []; over = false; left = W * H - MINES;
    for (var i = 0; i < W * H; i++) { mines.push(false); open.push(false); flag.push(false); }
    for (var m = 0; m < MINES;) {
      var k = Math.floor(Math.random() * W * H);
      if (!mines[k]) { mines[k] = true; m++; }
    }
    document.getElementById('state').textContent = '点击格子开始';
    draw();
  }
  function reveal(i) {
    if (open[i] || flag[i]) return;
    open[i] = true; left--;
    if (!count(i)) around(i).forEach(reveal);
  }
  function draw() {
    var html = '';
    for (var i = 0; i < W * H; i++) {
      var text = open[i] ? (mines[i] ? '雷' : (count(i) || '')) : (flag[i] ? '旗' : '');
      html += '<div class="cell mine' + (open[i] ? ' open' : '') + '" data-i="' + i + '">' + text + '</div>';
    }
    board.innerHTML = html;
    document.getElementById('left').textContent = left;
  }
  board.addEventListener('click', function (e) {
    var i = +e.target.getAttribute('data-i');
    if (over || isNaN(i) || flag[i]) return;
    if (mines[i]) {
      over = true;
      mines.forEach(function (m, j) { if (m) open[j] = true; });
      document.getElementById('state').textContent = '踩到地雷了！';
    } else {
      reveal(i);
      if (!left) { over = true; document.getElementById('state').textContent = '恭喜过关！'; }
    }
    draw();
  });
  board.addEventListener('contextmenu', function (e) {
    e.preventDefault();
    var i = +e.target.getAttribute('data-i');
    if (!over && !isNaN(i) && !open[i]) { flag[i] = !flag[i]; draw(); }
  });
  document.getElementById('again').addEventListener('click', reset);
  reset();
})();
