"""The screen's hours in the test machine: the display turns a TV off and on over HDMI-CEC and the
monitor over the X server's DPMS. The kernel's vivid driver emulates an HDMI output wired to an
input; on the input's adapter (the one at physical address 0.0.0.0) cec-follower plays the TV.
Xorg runs on the virtual GPU, whose connector's dpms attribute in sysfs says what DPMS did. The
display runs under Xorg with hours drawn from the machine's clock: off at its start, on at the
next minute, off a minute later, when the TV ignores Standby."""

import re
import time

from machine import Machine, MachineError, wait_for

UNIT = "velmora-hours"
TV_UNIT = "velmora-tv"
XORG_UNIT = "velmora-xorg"
X_DISPLAY = ":1"
CEC_STANDBY = "0x36"
# The display's start (window, adapter, claim, the first confirmation) before the hours begin.
START_ROOM = 45
# cec-follower plays a slow TV: the old state for about 2 s after a command, then some seconds in
# transition, which the display counts as confirmed.
STANDBY = ("in standby", "going to standby")
ON = ("on", "turning on")
CONFIRMED = re.compile(r"HDMI-CEC: the TV is ([a-z ]+) \(confirmed after ([0-9.]+) s, ([0-9]+) tr")
NOT_CONFIRMED = "HDMI-CEC: the TV did not confirm standby after 3 tries (it says it is on)"


def display_lines(machine: Machine) -> list:
    return machine.check(f"journalctl -u {UNIT} -o cat").splitlines()


def said(machine: Machine, *texts: str) -> list:
    return [line for line in display_lines(machine) if any(text in line for text in texts)]


def wait_said(machine: Machine, texts: tuple, limit: float) -> str:
    return wait_for(lambda: said(machine, *texts), limit, f"line {texts[0]!r}", every=0.5)[-1]


def adapters(machine: Machine) -> tuple:
    """The TV's adapter (physical address 0.0.0.0) and the source's."""
    wait_for(lambda: machine.run("ls /dev/cec1")[0] == 0, 20, "vivid's CEC adapters")
    tv = source = None
    for device in machine.check("ls /dev/cec*").split():
        if "0.0.0.0" in machine.check(f"cec-ctl -d {device} | grep 'Physical Address'"):
            tv = tv or device
        else:
            source = source or device
    if tv is None or source is None:
        raise MachineError(f"no TV and source adapter among {machine.check('ls /dev/cec*')}")
    return tv, source


def start_tv(machine: Machine, tv: str, ignore_standby: bool = False):
    machine.run(f"systemctl stop {TV_UNIT}; systemctl reset-failed {TV_UNIT}")
    ignore = f" --ignore all,{CEC_STANDBY}" if ignore_standby else ""
    machine.check(f"systemd-run --unit={TV_UNIT} cec-follower -d {tv} --show-msgs{ignore}")


def tv_power(machine: Machine, source: str) -> str:
    """What the TV says of its power, asked from the source's adapter: on, to-on, standby,
    to-standby."""
    output = machine.run(f"cec-ctl -d {source} --to 0 --give-device-power-status")[1]
    found = re.search(r"pwr-state: ([a-z-]+)", output)
    return found.group(1) if found else f"no answer: {output.strip()[-200:]}"


def dpms(machine: Machine) -> str:
    return machine.check("cat /sys/class/drm/card*-*/dpms | head -1").strip()


def expect(problems: list, what: str, got: str, *wanted: str):
    if got not in wanted:
        problems.append(f"{what}: {got}, not {' or '.join(wanted)}")


def minute_text(machine: Machine, at: int) -> str:
    return machine.check(f"date -d @{at} +%H:%M").strip()


def check(machine: Machine, report) -> None:
    """Off, on, and a TV that ignores Standby, with the figures of each confirmation."""
    machine.check("systemctl stop velmora-kiosk.service && modprobe vivid")
    tv, source = adapters(machine)
    machine.check(f"cec-ctl -d {tv} --tv")
    start_tv(machine, tv)
    machine.check(f"systemd-run --unit={XORG_UNIT} Xorg {X_DISPLAY} vt2 -nolisten tcp -noreset")
    wait_for(lambda: machine.run(f"test -S /tmp/.X11-unix/X{X_DISPLAY[1:]}")[0] == 0, 60,
             "Xorg's socket")
    now = int(machine.check("date +%s"))
    begin = (now + START_ROOM + 59) // 60 * 60
    hours = f"{minute_text(machine, begin)}-{minute_text(machine, begin + 60)}"
    machine.check(f"systemd-run --unit={UNIT} --setenv=DISPLAY={X_DISPLAY} "
                  "--setenv=QT_QPA_PLATFORM=xcb --setenv=HOME=/root "
                  f"velmora-display --screen-hours {hours} --cec {source}")
    problems = []
    figures = {}

    def confirmed(what: str, states: tuple, limit: float):
        line = wait_said(machine, tuple(f"HDMI-CEC: the TV is {state} (" for state in states),
                         limit)
        found = CONFIRMED.search(line)
        if found:
            figures[what] = (found.group(1), found.group(2), found.group(3))

    confirmed("off", STANDBY, max(begin - int(machine.check("date +%s")) - 2, 10))
    expect(problems, "off: the TV's power", tv_power(machine, source), "standby", "to-standby")
    expect(problems, "off: DPMS", dpms(machine), "Off")
    wait_for(lambda: int(machine.check("date +%s")) >= begin, 120, "the start of the hours")
    confirmed("on", ON, 30)
    expect(problems, "on: the TV's power", tv_power(machine, source), "on", "to-on")
    expect(problems, "on: DPMS", dpms(machine), "On")
    active = machine.check(f"journalctl -u {TV_UNIT} -o cat | grep -c ACTIVE_SOURCE || true")
    if active.strip() == "0":
        problems.append("on: the TV heard no Active Source")
    start_tv(machine, tv, ignore_standby=True)
    end = begin + 60
    wait_for(lambda: int(machine.check("date +%s")) >= end, 120, "the end of the hours")
    started = time.monotonic()
    wait_said(machine, (NOT_CONFIRMED,), 40)
    failed_after = time.monotonic() - started
    expect(problems, "ignored standby: DPMS", dpms(machine), "Off")
    # The follower does not show what it ignores; the questions count the tries.
    asked = machine.check(f"journalctl -u {TV_UNIT} --since @{end - 1} -o cat | "
                          "grep -c GIVE_DEVICE_POWER_STATUS || true").strip()
    expect(problems, "ignored standby: questions the TV heard", asked, "3")
    lines = len(said(machine, "HDMI-CEC: the TV did not confirm"))
    expect(problems, "ignored standby: lines said", str(lines), "1")
    machine.run(f"systemctl stop {UNIT} {TV_UNIT} {XORG_UNIT}")
    for what, (state, seconds, tries) in figures.items():
        report.figure(f"HDMI-CEC {what}: command to the TV {state} {seconds} s, {tries} tries")
    report.figure(f"HDMI-CEC end of hours to 'did not confirm standby': {failed_after:.1f} s")
    if problems:
        return report.failed("screen hours", "; ".join(problems))
    report.passed("screen hours: the TV in standby and DPMS off outside them, on with the display "
                  "the active source at their start; a TV that ignores Standby tried three times "
                  "and said once", hours)
