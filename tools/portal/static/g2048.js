// 二〇四八: arrow keys slide the tiles; equal tiles merge. Reach 2048.
(function () {
  var game = document.getElementById('game'), grid, score;
  game.innerHTML = '<p>得分：<b id="score">0</b> <span id="state">方向键移动</span></p>' +
    '<div class="board" id="board" style="grid-template-columns: repeat(4, 56px)"></div>';
  var board = document.getElementById('board');
  function empty() {
    var cells = [];
    for (var i = 0; i < 16; i++) if (!grid[i]) cells.push(i);
    return cells;
  }
  function add() {
    var cells = empty();
    if (cells.length) grid[cells[Math.floor(Math.random() * cells.length)]] = Math.random() < 0.9 ? 2 : 4;
  }
  function draw() {
    board.innerHTML = grid.map(function (v) {
      var light = Math.min(1, Math.log2(v || 1) / 11);
      return '<div class="cell" style="background: hsl(35, 80%, ' + (85 - light * 45) + '%)">' +
        (v || '') + '</div>';
    }).join('');
    document.getElementById('score').textContent = score;
  }
  // Slides one line of four toward its start; returns the new line.
  function slide(line) {
    var v = line.filter(function (x) { return x; }), out = [];
    for (var i = 0; i < v.length; i++) {
      if (v[i] === v[i + 1]) { out.push(v[i] * 2); score += v[i] * 2; i++; } else { out.push(v[i]); }
    }
    while (out.length < 4) out.push(0);
    return out;
  }
  function move(dx, dy) {
    var before = grid.join(',');
    for (var k = 0; k < 4; k++) {
      var idx = [];
      for (var j = 0; j < 4; j++) {
        var p = dx ? (dx < 0 ? j : 3 - j) : (dy < 0 ? j : 3 - j);
        idx.push(dx ? k * 4 + p : p * 4 + k);
      }
      var line = slide(idx.map(function (i) { return grid[i]; }));
      idx.forEach(function (i, n) { grid[i] = line[n]; });
    }
    if (grid.join(',') !== before) add();
    draw();
    if (grid.indexOf(2048) >= 0) document.getElementById('state').textContent = '胜利！';
    else if (!empty().length) document.getElementById('state').textContent = '游戏结束';
  }
  var keys = {ArrowUp: [0, -1], ArrowDown: [0, 1], ArrowLeft: [-1, 0], ArrowRight: [1, 0]};
  document.addEventListener('keydown', function (e) {
    var k = keys[e.key];
    if (k) { e.preventDefault(); move(k[0], k[1]); }
  });
  grid = []; for (var i = 0; i < 16; i++) grid.push(0);
  score = 0; add(); add(); draw();
})();
