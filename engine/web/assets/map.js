// The map page: drag to pan, the wheel to zoom (around the pointer), "Whole map" to see it all.
// A click on a switch follows its link, unless the pointer moved: then it was a drag.
(function () {
  'use strict';
  var svg = document.getElementById('map');
  if (!svg) {
    return;
  }
  var whole = svg.getAttribute('viewBox').split(' ').map(Number);
  var box = whole.slice();
  var drag = null;
  var dragged = false;

  function show() {
    svg.setAttribute('viewBox', box.join(' '));
  }
  // Map units per screen pixel (the picture keeps its aspect ratio).
  function scale() {
    var r = svg.getBoundingClientRect();
    return Math.max(box[2] / r.width, box[3] / r.height);
  }
  function toMap(ev) {
    var p = svg.createSVGPoint();
    p.x = ev.clientX;
    p.y = ev.clientY;
    return p.matrixTransform(svg.getScreenCTM().inverse());
  }

  svg.addEventListener('wheel', function (ev) {
    ev.preventDefault();
    var f = ev.deltaY > 0 ? 1.25 : 0.8;
    var p = toMap(ev);
    if (f < 1 && box[2] < 200) {
      return;
    }
    box = [p.x - (p.x - box[0]) * f, p.y - (p.y - box[1]) * f, box[2] * f, box[3] * f];
    show();
  }, {passive: false});

  svg.addEventListener('mousedown', function (ev) {
    if (ev.button !== 0) {
      return;
    }
    ev.preventDefault();
    drag = {x: ev.clientX, y: ev.clientY, box: box.slice(), s: scale()};
    dragged = false;
  });
  window.addEventListener('mousemove', function (ev) {
    if (!drag) {
      return;
    }
    var dx = ev.clientX - drag.x;
    var dy = ev.clientY - drag.y;
    if (Math.abs(dx) + Math.abs(dy) > 4) {
      dragged = true;
    }
    box = [drag.box[0] - dx * drag.s, drag.box[1] - dy * drag.s, drag.box[2], drag.box[3]];
    show();
  });
  window.addEventListener('mouseup', function () {
    drag = null;
  });
  svg.addEventListener('click', function (ev) {
    if (dragged) {
      ev.preventDefault();
      ev.stopPropagation();
      dragged = false;
    }
  }, true);

  var fit = document.getElementById('fit');
  if (fit) {
    fit.addEventListener('click', function () {
      box = whole.slice();
      show();
    });
  }
})();
