// 贪吃蛇: arrow keys steer, eat the red food, do not hit the wall or yourself.
(function () {
  var N = 20, S = 20, game = document.getElementById('game');
  game.innerHTML = '<p>得分：<b id="score">0</b> <span id="state">方向键开始</span></p>' +
    '<canvas id="board" width="' + N * S + '" height="' + N * S + '"></canvas>';
  var ctx = document.getElementById('board').getContext('2d');
  var snake, dir, food, score, timer = null;
  function reset() {
    snake = [{x: 10, y: 10}, {x: 9, y: 10}, {x: 8, y: 10}];
    dir = {x: 1, y: 0}; score = 0; place(); draw();
  }
  function place() {
    do { food = {x: Math.floor(Math.random() * N), y: Math.floor(Math.random() * N)}; }
    while (snake.some(function (p) { return p.x === food.x && p.y === food.y; }));
  }
  function draw() {
    ctx.fillStyle = '#203040'; ctx.fillRect(0, 0, N * S, N * S);
    ctx.fillStyle = '#e01b24'; ctx.fillRect(food.x * S + 2, food.y * S + 2, S - 4, S - 4);
    ctx.fillStyle = '#57e389';
    snake.forEach(function (p) { ctx.fillRect(p.x * S + 1, p.y * S + 1, S - 2, S - 2); });
    document.getElementById('score').textContent = score;
  }
  function step() {
    var head = {x: snake[0].x + dir.x, y: snake[0].y + dir.y};
    var hit = head.x < 0 || head.y < 0 || head.x >= N || head.y >= N ||
      snake.some(function (p) { return p.x === head.x && p.y === head.y; });
    if (hit) {
      clearInterval(timer); timer = null;
      document.getElementById('state').textContent = '游戏结束，按空格重来';
      return;
    }
    snake.unshift(head);
    if (head.x === food.x && head.y === food.y) { score += 10; place(); } else { snake.pop(); }
    draw();
  }
  var keys = {ArrowUp: [0, -1], ArrowDown: [0, 1], ArrowLeft: [-1, 0], ArrowRight: [1, 0]};
  document.addEventListener('keydown', function (e) {
    if (e.key === ' ' && !timer) { reset(); }
    var k = keys[e.key];
    if (k && (k[0] !== -dir.x || k[1] !== -dir.y)) { dir = {x: k[0], y: k[1]}; e.preventDefault(); }
    if ((k || e.key === ' ') && !timer) {
      document.getElementById('state').textContent = '游戏中';
      timer = setInterval(step, 140);
    }
  });
  reset();
})();
