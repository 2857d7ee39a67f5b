#!/usr/bin/python3
# A blind player's level games, heard through AT-SPI as a screen reader hears them: the game on a real X
# display (Xvfb) with its own session and accessibility bus, driven through AT-SPI's own actions (connect,
# level mode, level 1, start), against the simulated drone: flown by its autopilot in Chinese (every
# attempt levels, the level passes), held tilted in English (the first attempt fails).
#
# What counts as heard is what Orca acts on for a change away from the focus: its event manager lets an
# "object:state-changed:showing" through only for a few roles, and its default script speaks a
# notification's name when one shows. Name changes of other objects it says only at the focus. The test
# also reads the score label and the readout as a reader finds them: labels, named "得分：27", not "  27".
#
# Usage: ResultsSpoken.py <aviluma> <aviluma-drone>. Exits 77 (skipped) without the tools.
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

GAME, DRONE = sys.argv[1], sys.argv[2]
ROUND_BOUND_S = 120  # a level game of three attempts takes well under a minute

SCENARIOS = [
    {
        "lang": "zh", "drone": ["--autopilot"],
        "press": ["连接无人机", "闯关模式", "第 1 关", "开始"], "ok": "确定",
        "link": "无人机连接状态", "good": "连接良好",
        # each attempt that levels, then the level's result with its total
        "heard": [r"第 1 次成功，\d+\.\d 秒稳定，总分 \d+", r"第 2 次成功，\d+\.\d 秒稳定，总分 \d+",
                  r"第 3 次成功，\d+\.\d 秒稳定，总分 \d+", r"恭喜你，闯关成功！ 总分 (\d+)"],
        "score": "得分：{}", "readout": "横滚 | 俯仰 | 航向：",
    },
    {
        "lang": "en", "drone": ["--roll", "30"],
        "press": ["Connect the drone", "Level mode", "Level 1", "Start"], "ok": "OK",
        "link": "Drone link state", "good": "Good link",
        "heard": [r"Failed\. Try again! Attempt 1: not level within 10 s"],
        "score": "Score: {}", "readout": "Roll | Pitch | Yaw: ",
    },
]


def outer():
    for tool in ("xvfb-run", "xauth", "dbus-run-session"):
        if shutil.which(tool) is None:
            print(f"SKIPPED: {tool} is not installed")
            return 77
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        print("SKIPPED: python3-pyatspi is not installed")
        return 77
    # A display and a session bus of its own: the accessibility bus is started on the session bus.
    return subprocess.call(["xvfb-run", "-a", "-n", "300", "-s", "-screen 0 1024x768x24 -noreset",
                            "dbus-run-session", "--", sys.executable, __file__, GAME, DRONE, "--inner"])


def inner():
    import pyatspi
    from gi.repository import GLib

    def find(node, role, name, depth=0):
        try:
            if node.getRoleName() == role and node.name == name:
                return node
            for i in range(node.childCount):
                found = find(node.getChildAtIndex(i), role, name, depth + 1) if depth < 12 else None
                if found is not None:
                    return found
        except Exception:  # an object gone while walked: not there
            pass
        return None

    def labels(node, found, depth=0):
        try:
            if node.getRoleName() == "label":
                found.append(node.name)
            for i in range(node.childCount):
                if depth < 12:
                    labels(node.getChildAtIndex(i), found, depth + 1)
        except Exception:
            pass
        return found

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Aviluma":
                return app
        return None

    failures, failed = [], 0
    pyatspi.Registry.getDesktop(0)  # the accessibility bus runs before the game looks for it
    for scenario in SCENARIOS:
        work = tempfile.mkdtemp()
        env = dict(os.environ, HOME=work, XDG_RUNTIME_DIR=work, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        drone = subprocess.Popen([DRONE, "--headless"] + scenario["drone"], env=env,
                                 stdout=subprocess.DEVNULL)
        log = open(os.path.join(work, "game.log"), "w+b")
        game = subprocess.Popen([GAME, "--lang", scenario["lang"]], env=env, stdout=log,
                                stderr=subprocess.STDOUT)
        heard = []
        patterns = scenario["heard"]

        def on_name(event):
            pass

        def on_showing(event):
            try:
                if (event.detail1 == 1 and event.source.getRoleName() == "notification"
                        and event.source.getApplication().name == "Aviluma"):
                    heard.append(event.source.name)
            except Exception:
                pass

        # Like a reader, it hears of name changes too: the client library then keeps its copies of the
        # names up to date, and reads a new line, not the one before, from an object that shows again.
        pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
        pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
        steps = list(scenario["press"])
        deadline = time.monotonic() + ROUND_BOUND_S

        def step():
            app = application()
            if app is not None:
                # A new best opens a message box: its OK goes on with the game.
                ok = find(app, "push button", scenario["ok"])
                if ok is not None:
                    ok.queryAction().doAction(0)
                elif steps:
                    button = find(app, "push button", steps[0])
                    # Level mode opens only on a good link.
                    link = find(app, "push button", scenario["link"])
                    if link is not None:
                        link.clearCache()  # read afresh: the library keeps only what it hears of
                    good = link is not None and link.description == scenario["good"]
                    if button is not None and (good or steps[0] != scenario["press"][1]):
                        button.queryAction().doAction(0)
                        steps.pop(0)
            if len(heard) >= len(patterns) or time.monotonic() > deadline or game.poll() is not None:
                pyatspi.Registry.stop()
                return False
            return True

        GLib.timeout_add(300, step)
        pyatspi.Registry.start()
        pyatspi.Registry.deregisterEventListener(on_showing, "object:state-changed:showing")
        pyatspi.Registry.deregisterEventListener(on_name, "object:property-change:accessible-name")

        where = f"[{scenario['lang']}] "
        total = None
        if len(heard) != len(patterns):
            failures.append(where + f"heard {heard}, expected {len(patterns)} announcements; buttons left "
                            f"to press: {steps}")
        for line, pattern in zip(heard, patterns):
            match = re.fullmatch(pattern, line)
            if match is None:
                failures.append(where + f"heard {line!r}, expected {pattern!r}")
            elif match.groups():
                total = match.group(1)
        app = application()
        shown = labels(app, []) if app is not None else []
        score = scenario["score"].format(total if total is not None else "0")
        if score not in shown:
            failures.append(where + f"no label named {score!r} among {shown}")
        if not any(name.startswith(scenario["readout"]) for name in shown):
            failures.append(where + f"no readout label {scenario['readout']!r}… among {shown}")

        for program in (game, drone):
            if program.poll() is None:
                program.send_signal(signal.SIGTERM)
            try:
                program.wait(10)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
        if any(f.startswith(where) for f in failures):
            failed += 1
            log.seek(0)
            print(log.read().decode(errors="replace"))
        log.close()
        shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(SCENARIOS) - failed} passed, {failed} failed")
    return 1 if failures else 0


sys.exit(inner() if "--inner" in sys.argv else outer())
