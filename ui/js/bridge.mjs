// The page's side of the bridge: it speaks only through window.talvoHost
// (postMessage, onMessage), says "talvo.ready" until the hello arrives, and
// then subscribes to the feeds the diagnostics panel shows.

export const READY_RETRY_MS = 2000;
export const READY_TRIES = 5;
export const FEEDS = Object.freeze(['lifecycle', 'transport']);
export const FEED_HZ = 10;

/**
 * openBridge(host, {onMessage, onSilence}) -> {connected, send(type, members), helloArrived()}.
 * Without a usable host the bridge is closed and send() does nothing.
 */
export function openBridge(host, { onMessage, onSilence }) {
  const usable = host && typeof host.postMessage === 'function' && typeof host.onMessage === 'function';
  if (!usable) return { connected: false, send: () => false, helloArrived() {} };

  function send(type, members = {}) {
    try {
      host.postMessage({ ...members, type });
      return true;
    } catch (error) {
      console.error(`talvo: could not post ${type}`, error);
      return false;
    }
  }

  // A host that is still connecting its message stream may miss the first
  // "talvo.ready"; a repeated one only brings another hello.
  let tries = 0;
  let timer = 0;
  function ready() {
    tries += 1;
    send('talvo.ready');
    timer = setTimeout(tries < READY_TRIES ? ready : onSilence, READY_RETRY_MS);
  }

  host.onMessage(onMessage);
  timer = setTimeout(ready, 0); // after the caller holds the bridge, for hosts that answer at once
  return {
    connected: true,
    send,
    helloArrived() {
      clearTimeout(timer);
      send('talvo.diag.subscribe', { feeds: FEEDS, hz: FEED_HZ });
      send('talvo.getBankState');
    },
  };
}
