// 星海漫游: a Phaser 3 scene of bouncing stars. The address picks the renderer (mode=canvas or
// mode=webgl) and the number of stars (sprites=N); with report=TAG the page sends its frame
// rate, its 100 ms timer's ticks and whether WebGL is there to /api/play/report once a second.
(function () {
  var q = new URLSearchParams(location.search);
  var mode = q.get('mode') === 'webgl' ? 'webgl' : 'canvas';
  var count = Math.max(1, Math.min(20000, parseInt(q.get('sprites'), 10) || 300));
  var tag = q.get('report') || '';
  var W = 800, H = 600;
  var game = document.getElementById('game');
  game.innerHTML = '<p>模式：<b id="mode">' + mode + '</b> 星星：<b id="count">' + count +
    '</b> 帧率：<b id="fps">0</b> <span id="state"></span></p><div id="stage"></div>';

  var webgl = false;
  try {
    var probe = document.createElement('canvas');
    webgl = !!(probe.getContext('webgl') || probe.getContext('experimental-webgl'));
  } catch (e) { webgl = false; }

  // Frames counted by requestAnimationFrame, the page's drawing clock.
  var frames = 0, fps = 0, windowStart = performance.now();
  function frame(now) {
    frames += 1;
    if (now - windowStart >= 1000) {
      fps = frames * 1000 / (now - windowStart);
      frames = 0;
      windowStart = now;
      document.getElementById('fps').textContent = fps.toFixed(1);
    }
    requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);

  // The game's clock for its logic: a 100 ms timer, which must keep running while hidden.
  var ticks = 0, started = performance.now(), lastReport = 0, error = '';
  var audio = null;
  if (q.get('audio') === '1' && window.AudioContext) {
    // A quiet tone, so that a test can see the sound clock run on while the tab is hidden.
    audio = new AudioContext();
    var osc = audio.createOscillator(), gain = audio.createGain();
    gain.gain.value = 0.001;
    osc.connect(gain).connect(audio.destination);
    osc.start();
  }
  function report() {
    if (!tag) return;
    var p = new URLSearchParams({
      tag: tag, mode: mode, sprites: String(count), fps: fps.toFixed(2), ticks: String(ticks),
      ms: String(Math.round(performance.now() - started)), webgl: webgl ? '1' : '0',
      renderer: rendererName(), hidden: document.hidden ? '1' : '0',
      audio: audio ? audio.currentTime.toFixed(2) : '', error: error
    });
    fetch('/api/play/report?' + p.toString()).catch(function () {});
  }
  setInterval(function () {
    ticks += 1;
    var now = performance.now();
    if (now - lastReport >= 1000) {
      lastReport = now;
      report();
    }
  }, 100);

  if (!window.Phaser) {
    error = 'no Phaser';
    document.getElementById('state').textContent = '游戏引擎没有加载';
    return;
  }
  var phaser = null;
  function rendererName() {
    var r = phaser && phaser.renderer;
    return !r ? 'none' : r.gl ? 'webgl' : 'canvas';
  }
  var stars = [];
  var config = {
    type: mode === 'webgl' ? Phaser.WEBGL : Phaser.CANVAS,
    parent: 'stage', width: W, height: H, backgroundColor: '#101828',
    banner: false, audio: {noAudio: true},
    scene: {
      create: function () {
        var g = this.add.graphics();
        g.fillStyle(0xffd866, 1);
        g.fillCircle(8, 8, 8);
        g.fillStyle(0xffffff, 1);
        g.fillCircle(6, 6, 3);
        g.generateTexture('star', 16, 16);
        g.destroy();
        for (var i = 0; i < count; ++i) {
          var s = this.add.image(Math.random() * W, Math.random() * H, 'star');
          s.vx = (Math.random() - 0.5) * 240;
          s.vy = (Math.random() - 0.5) * 240;
          s.setTint(0x808080 + Math.floor(Math.random() * 0x7f7f7f));
          stars.push(s);
        }
      },
      update: function (time, delta) {
        var dt = Math.min(delta, 100) / 1000;
        for (var i = 0; i < stars.length; ++i) {
          var s = stars[i];
          s.x += s.vx * dt;
          s.y += s.vy * dt;
          if (s.x < 0 || s.x > W) s.vx = -s.vx;
          if (s.y < 0 || s.y > H) s.vy = -s.vy;
          s.rotation += dt;
        }
      }
    }
  };
  try {
    phaser = new Phaser.Game(config);
  } catch (e) {
    error = String(e && e.message || e);
    document.getElementById('state').textContent = '无法启动：' + error;
  }
})();
