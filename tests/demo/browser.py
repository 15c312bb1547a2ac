#!/usr/bin/env python3
"""Headless Chromium for the demo's page tests, driven over the DevTools pipe:
Chromium reads commands on its fd 3 and writes replies and events on its fd 4,
each message one JSON text ended by a NUL byte.

    browser.py PAGE.html OUT.png    (exit 1 when the page logged errors)
"""
import base64, collections, ctypes, fcntl, json, os, shutil, signal
import subprocess, sys, tempfile, threading, time

CHROMIUM = '/usr/bin/chromium'
FLAGS = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic',
         '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-default-apps',
         '--mute-audio', '--hide-scrollbars', '--remote-debugging-pipe']
PR_SET_CHILD_SUBREAPER = 36


class BrowserError(Exception):
    pass


def subreaper(on):
    """While on, Chromium's helpers that lose their parent become our children."""
    ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, int(on), 0, 0, 0)


def quietly(call, *args):
    try:
        return call(*args)
    except (ProcessLookupError, ChildProcessError):
        return None


def pids_naming(path, outside_group):
    """The processes not in the group that name path on their command line."""
    pids = []
    for name in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/cmdline' % name, 'rb') as f:
                if path.encode() in f.read() and os.getpgid(int(name)) != outside_group:
                    pids.append(int(name))
        except OSError:
            pass
    return pids


class Browser:
    def __init__(self, width=1280, height=900, timeout=60):
        self.width, self.height, self.timeout = width, height, timeout

    def __enter__(self):
        # The profile, and the crash reports through XDG_CONFIG_HOME, go in a fresh directory.
        self.tmp = tempfile.mkdtemp(prefix='browser-')
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.tmp, 'config'))
        self.replies, self.events, self.mark, self.next_id = {}, [], 0, 0
        self.proc, self.session, self.dead, self.crash_handlers = None, None, False, []
        self.stderr_tail = collections.deque(maxlen=30)
        self.cond = threading.Condition()
        self.reader = threading.Thread(target=self._read_replies, daemon=True)
        to_child, self.to_browser = os.pipe()
        self.from_browser, from_child = os.pipe()

        def pipes_at_3_and_4():
            # Moved out of the way first, in case a pipe end already sits at 3 or 4.
            high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_child, from_child)]
            for fd, high_fd in zip((3, 4), high):
                os.dup2(high_fd, fd)
                os.close(high_fd)

        subreaper(True)
        try:
            try:
                self.proc = subprocess.Popen(
                    [CHROMIUM, *FLAGS, '--user-data-dir=' + os.path.join(self.tmp, 'profile'),
                     '--window-size=%d,%d' % (self.width, self.height), 'about:blank'],
                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=subprocess.PIPE, close_fds=False, env=env,
                    preexec_fn=pipes_at_3_and_4, start_new_session=True)
            finally:
                os.close(to_child)
                os.close(from_child)
            self.reader.start()
            threading.Thread(target=self._read_stderr, daemon=True).start()
            target = self._call('Target.createTarget', {'url': 'about:blank'})
            self.session = self._call('Target.attachToTarget', {
                'targetId': target['targetId'], 'flatten': True})['sessionId']
            for domain in ('Page', 'Runtime', 'Log'):
                self._call(domain + '.enable')
            # The window is a little taller than the page in it: make the page the size.
            self._call('Emulation.setDeviceMetricsOverride', {
                'width': self.width, 'height': self.height,
                'deviceScaleFactor': 1, 'mobile': False})
            # Chromium's crash handlers leave its process group and end on their own
            # when it dies: known now, they can be killed and reaped at the end.
            self.crash_handlers = pids_naming(self.tmp, self.proc.pid)
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        if self.proc:
            # Kill Chromium's process group and its crash handlers, known by our
            # directory on their command line.
            group = self.proc.pid
            pids = set(self.crash_handlers + pids_naming(self.tmp, group))
            quietly(os.killpg, group, signal.SIGKILL)
            for pid in pids:
                quietly(os.kill, pid, signal.SIGKILL)
            # Reap them (SIGKILL leaves them no choice): the crash handlers, Chromium,
            # then the rest of its group as they come to us.
            for pid in pids:
                quietly(os.waitpid, pid, 0)
            self.proc.wait()
            while quietly(os.waitpid, -group, 0):
                pass
            self.proc = None
        if self.reader.ident:
            self.reader.join(self.timeout)
        os.close(self.to_browser)
        os.close(self.from_browser)
        subreaper(False)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def _read_replies(self):
        buf = b''
        while data := os.read(self.from_browser, 1 << 16):
            *messages, buf = (buf + data).split(b'\0')
            with self.cond:
                for msg in map(json.loads, messages):
                    if 'id' in msg:
                        self.replies[msg['id']] = msg
                    else:
                        self.events.append(msg)
                self.cond.notify_all()
        with self.cond:
            self.dead = True
            self.cond.notify_all()

    def _read_stderr(self):
        for line in self.proc.stderr:
            self.stderr_tail.append(line.decode(errors='replace').rstrip())

    def _fail(self, what):
        raise BrowserError('%s\nchromium stderr:\n%s' % (what, '\n'.join(self.stderr_tail)))

    def _wait(self, done, what):
        deadline = time.monotonic() + self.timeout
        with self.cond:
            while not (result := done()):
                if self.dead:
                    self._fail('chromium ended while waiting for ' + what)
                if time.monotonic() > deadline:
                    self._fail('timed out waiting for ' + what)
                self.cond.wait(max(0.01, deadline - time.monotonic()))
        return result

    def _call(self, method, params=None):
        with self.cond:
            self.next_id += 1
            msg = {'id': self.next_id, 'method': method, 'params': params or {}}
        if self.session:
            msg['sessionId'] = self.session
        try:
            os.write(self.to_browser, json.dumps(msg).encode() + b'\0')
        except OSError as e:
            self._fail('cannot send %s: %s' % (method, e))
        reply = self._wait(lambda: self.replies.pop(msg['id'], None), method)
        if 'error' in reply:
            raise BrowserError('%s: %s' % (method, reply['error'].get('message')))
        return reply.get('result', {})

    def _page_events(self):
        with self.cond:
            return [e for e in self.events[self.mark:] if e.get('sessionId') == self.session]

    def open(self, url):
        with self.cond:
            self.mark = len(self.events)
        result = self._call('Page.navigate', {'url': url})
        if result.get('errorText'):
            raise BrowserError('cannot open %s: %s' % (url, result['errorText']))
        self._wait(lambda: any(e['method'] == 'Page.loadEventFired'
                               for e in self._page_events()), 'the load of ' + url)

    def evaluate(self, expression):
        result = self._call('Runtime.evaluate', {
            'expression': expression, 'returnByValue': True, 'awaitPromise': True})
        if 'exceptionDetails' in result:
            details = result['exceptionDetails']
            raise BrowserError('%s: %s' % (expression, details.get(
                'exception', {}).get('description', details.get('text'))))
        return result['result'].get('value')

    def console_errors(self):
        """Console errors, uncaught exceptions and logged errors (a failed load, say),
        sorted: Chromium reports them in no set order (an image is fetched ahead)."""
        errors = []
        for e in self._page_events():
            method, p = e['method'], e.get('params', {})
            if method == 'Runtime.consoleAPICalled' and p['type'] == 'error':
                errors.append('console.error: ' + ' '.join(
                    str(a.get('value', a.get('description', ''))) for a in p['args']))
            elif method == 'Runtime.exceptionThrown':
                d = p['exceptionDetails']
                errors.append('exception: ' + d.get('exception', {}).get(
                    'description', d['text']).splitlines()[0])
            elif method == 'Log.entryAdded' and p['entry']['level'] == 'error':
                entry = p['entry']
                errors.append('%s: %s %s' % (entry['source'], entry['text'],
                                             entry.get('url', '')))
        return sorted(errors)

    def screenshot(self, path, full_page=True):
        params = {'format': 'png'}
        if full_page:
            metrics = self._call('Page.getLayoutMetrics')
            size = metrics.get('cssContentSize') or metrics['contentSize']
            params['captureBeyondViewport'] = True
            params['clip'] = {'x': 0, 'y': 0, 'scale': 1, 'width': max(size['width'], 1),
                              'height': max(size['height'], 1)}
        data = self._call('Page.captureScreenshot', params)['data']
        with open(path, 'wb') as f:
            f.write(base64.b64decode(data))

    def render_time_ms(self):
        # The navigation entry's times count from the navigation's start.
        return float(self.evaluate("(e => e.loadEventEnd || e.loadEventStart)"
                                   "(performance.getEntriesByType('navigation')[0])"))


def main(argv):
    if len(argv) != 3:
        sys.exit('usage: browser.py PAGE.html OUT.png')
    with Browser() as browser:
        browser.open('file://' + os.path.abspath(argv[1]))
        errors = browser.console_errors()
        for error in errors:
            print(error)
        print('render time: %.1f ms' % browser.render_time_ms())
        browser.screenshot(argv[2])
    return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
