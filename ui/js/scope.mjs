// A picture of the modulation: one second of the sine that sweeps the delay,
// as tall as the depth, drawn as strongly as the mix. Redrawn only when a
// parameter changes, so an open editor costs nothing while nothing moves.
import { s } from './dom.mjs';

const WIDTH = 240;
const HEIGHT = 100;
const POINTS = 480;

export function createScope() {
  const wet = s('path', { class: 'scope-wave' });
  const dry = s('line', { class: 'scope-dry', x1: 0, y1: HEIGHT / 2, x2: WIDTH, y2: HEIGHT / 2 });
  const grid = [0.25, 0.5, 0.75].map((f) =>
    s('line', { class: 'scope-grid', x1: WIDTH * f, y1: 0, x2: WIDTH * f, y2: HEIGHT }));
  const element = s('svg', {
    class: 'scope', viewBox: `0 0 ${WIDTH} ${HEIGHT}`, preserveAspectRatio: 'none', 'aria-hidden': 'true',
  }, grid, dry, wet);

  return {
    element,
    /** rate in Hz, depth and mix in 0..1. */
    draw(rate, depth, mix) {
      const amplitude = (HEIGHT / 2 - 6) * Math.max(0.02, depth);
      let d = '';
      for (let i = 0; i <= POINTS; i += 1) {
        const t = i / POINTS;
        const y = HEIGHT / 2 - amplitude * Math.sin(2 * Math.PI * rate * t);
        d += `${i ? 'L' : 'M'}${(t * WIDTH).toFixed(1)} ${y.toFixed(2)}`;
      }
      wet.setAttribute('d', d);
      wet.style.setProperty('opacity', String(0.25 + 0.75 * mix));
      dry.style.setProperty('opacity', String(0.15 + 0.5 * (1 - mix)));
    },
  };
}
