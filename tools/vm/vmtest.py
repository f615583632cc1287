#!/usr/bin/env python3
"""The kiosk on a machine of its own: Debian 12 under qemu, made a kiosk as the README says,
checked from power-on. Run through tools/vm-test.sh, which names the packages and the cache."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import time
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import image  # noqa: E402
import screenswitches  # noqa: E402
from machine import Machine, MachineError, wait_for  # noqa: E402
from screen import PANEL, shows_layout  # noqa: E402

KIOSK = "kiosk"
OPERATOR = "office"  # the operator's account ("operator" is a system group)
CLIENT = "Client 1"
PORT = 5678
WEB_PORT = 8080
MEDIA = "/srv/velmora-test"
GREEN = (30, 190, 90)  # the kept layout's picture
PINK = (200, 60, 150)  # the server's layout's picture
VIDEO = (28, 55, 99)  # the ground of the test clip the video layout plays
KIOSK_HOME = f"/home/{KIOSK}"
SETTINGS = f"{KIOSK_HOME}/.config/Quillbrook/VelmoraDisplay/display.ini"
KEPT = f"{KIOSK_HOME}/.local/state/Quillbrook/VelmoraDisplay/last-layout"
CACHE = f"{KIOSK_HOME}/.cache/Quillbrook/VelmoraDisplay/media"
UNIT = "velmora-kiosk.service"
# What the display and cage said since boot: filed under the account's login session, not the unit.
DISPLAY_JOURNAL = "journalctl -b -t velmora-display -o cat"
# Power-on to a layout: the firmware, the kernel and systemd, then cage and the display, all
# emulated.
BOOT_LIMIT = 300
# An arm64 machine emulated on an amd64 one boots several times slower.
ARM64_BOOT_LIMIT = 1200
# A display stopped is restarted within this, the layout on the screen again.
WATCHDOG_GOAL = 60


def bmp(width: int, height: int, colour: tuple) -> bytes:
    """A 24-bit Windows bitmap of one colour."""
    row = bytes((colour[2], colour[1], colour[0])) * width
    row += b"\0" * (-len(row) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def layout_section(display_type: int, lines: list) -> str:
    section = f"[DisplayParams_{CLIENT.replace(' ', '')}_{display_type}]"
    return "".join(f"{line}\r\n" for line in [section, *lines])


def kept_layout(display_type: int, lines: list) -> str:
    return f"Name={CLIENT}\nType={display_type}\n\n" + layout_section(display_type, lines)


GREEN_LAYOUT = kept_layout(6, ["Edits_0_Text=Kept layout", f"Images_0_FileName={MEDIA}/green.bmp"])
PINK_LINES = ["Edits_0_Text=From the server", f"Images_0_FileName={MEDIA}/pink.bmp"]
# 50 MB through the media cache: the web server's file, named as the operator's machine names it.
VIDEO_LINES = ["Edits_0_Text=A video from the web", "MediaPlayers_0_FileName=C:\\Media\\long.mp4"]


class Report:
    def __init__(self):
        self.results = []
        self.figures = []

    def passed(self, name: str, detail: str = ""):
        self.results.append((name, True))
        print(f"PASS {name}{': ' + detail if detail else ''}", flush=True)

    def failed(self, name: str, why: str):
        self.results.append((name, False))
        print(f"FAIL {name}: {why}", flush=True)

    def figure(self, text: str):
        self.figures.append(text)
        print(f"     {text}", flush=True)

    def ok(self) -> bool:
        return all(ok for _, ok in self.results)


def write(root: Path, path: str, content, owner: str = None):
    image.write(root, path, content)
    if owner:
        # The account's own folders too, as its programs would have made them.
        image.chroot(root, "chown", "-R", f"{owner}:{owner}", f"/home/{owner}")


def test_files(root: Path, settings_extra: str = ""):
    write(root, f"{MEDIA}/green.bmp", bmp(320, 200, GREEN))
    write(root, f"{MEDIA}/pink.bmp", bmp(320, 200, PINK))
    write(root, SETTINGS, f"[Display]\nServer=127.0.0.1:{PORT}\nName={CLIENT}\n{settings_extra}",
          owner=KIOSK)
    write(root, KEPT, GREEN_LAYOUT, owner=KIOSK)


class Run:
    def __init__(self, args, report: Report):
        self.args, self.report = args, report
        self.work = Path(args.work)
        self.debs = {Path(deb).name.split("_")[0]: Path(deb) for deb in args.debs}

    # --- disks ------------------------------------------------------------------------------

    def image_builder_disk(self, arch: str, base: Path, with_server: bool) -> Path:
        """The packages installed as an image builder does: apt with Recommends in a chroot
        given /proc, then the kiosk made in a chroot without it."""
        root = image.copy_base(base, self.work)
        packages = ["velmora-display"] + (["velmora"] if with_server else [])
        for name in packages:
            shutil.copy(self.debs[name], root / "tmp")
        with image.Mounts(root):
            image.chroot(root, "apt-get", "install", "-y", "-q",
                         *[f"/tmp/{self.debs[name].name}" for name in packages],
                         *([image.WEB_SERVER] if with_server else []),
                         stdout=subprocess.DEVNULL)
            if arch == "amd64":
                image.chroot(root, "apt-get", "install", "-y", "-q", "--no-install-recommends",
                             *image.SCREEN_TOOLS, stdout=subprocess.DEVNULL)
            image.chroot(root, "useradd", "-m", KIOSK)
        made = image.chroot(root, "velmora-display", "--install-kiosk", KIOSK, check=False,
                            capture_output=True, text=True)
        print(made.stdout + made.stderr, end="", flush=True)
        unit = root / "etc/systemd/system" / UNIT
        if made.returncode != 0 or not unit.exists():
            raise MachineError(f"--install-kiosk in a chroot without /proc failed ({made.returncode})")
        exec_start = [line for line in unit.read_text().splitlines() if line.startswith("ExecStart=")]
        self.report.passed("made in a chroot without /proc", exec_start[0])
        test_files(root, self.map_settings() if with_server else "")
        if with_server:
            self.server_files(root)
        disk = self.work / f"{arch}.raw"
        image.make_disk(root, disk)
        if not self.args.keep:
            shutil.rmtree(root)
        return disk

    def plain_disk(self, arch: str, base: Path) -> Path:
        """The base with the packages waiting in /root, for an install on the running machine."""
        root = image.copy_base(base, self.work)
        shutil.copy(self.debs["velmora-display"], root / "root")
        write(root, f"{MEDIA}/green.bmp", bmp(320, 200, GREEN))
        disk = self.work / f"{arch}-plain.raw"
        image.make_disk(root, disk)
        if not self.args.keep:
            shutil.rmtree(root)
        return disk

    def map_settings(self) -> str:
        return f"[PathMaps]\nC:\\Media=http://127.0.0.1:{WEB_PORT}/media/\n"

    def server_files(self, root: Path):
        """The operator's account for its program as a server in the machine, and a web server
        with a video of 50 MB (a clip of the tests with room after it) for the media cache."""
        image.chroot(root, "useradd", "-m", OPERATOR)
        clip = (Path(self.args.source) / "tests/media/data/h264.mp4").read_bytes()
        room = 50 * 1024 * 1024
        write(root, "/srv/media/long.mp4", clip + struct.pack(">I4s", room, b"free") + bytes(room - 8))
        write(root, "/etc/nginx/sites-enabled/default", self.nginx_site(rate="1m"))

    def nginx_site(self, rate: str) -> str:
        limit = f"        limit_rate {rate};\n" if rate else ""
        return (f"server {{\n    listen 127.0.0.1:{WEB_PORT};\n"
                f"    location /media/ {{\n        alias /srv/media/;\n{limit}    }}\n}}\n")

    @staticmethod
    def operator_ini_text(display_type: int, lines: list) -> str:
        return (f"[ServerParams]\r\nServerPort={PORT}\r\nServerAutoStart=1\r\n"
                f"[ClientDisplay_{CLIENT.replace(' ', '')}]\r\nDisplayType={display_type}\r\n"
                + layout_section(display_type, lines))

    # --- checks --------------------------------------------------------------------------------

    def wait_for_layout(self, machine: Machine, colour: tuple, limit: float, what: str) -> float:
        """Seconds since power-on when the screen shows the layout."""
        last = [""]

        def shown():
            last[0] = shows_layout(machine.screen(), colour)
            return not last[0]

        try:
            wait_for(shown, limit, what)
        except MachineError as error:
            machine.keep_screen(what.replace(" ", "-"))
            raise MachineError(f"{error}: {last[0]}") from None
        return machine.since_power_on()

    def display_pid(self, machine: Machine) -> int:
        output = machine.check(f"pgrep -u {KIOSK} -P \"$(pgrep -u {KIOSK} -x cage)\" -x velmora-display")
        return int(output.split()[0])

    def unit_state(self, machine: Machine) -> dict:
        output = machine.check(f"systemctl show {UNIT} -p ActiveState -p NRestarts -p MainPID")
        return dict(line.split("=", 1) for line in output.splitlines() if "=" in line)

    def sessions(self, machine: Machine) -> list:
        output = machine.check("for s in $(loginctl list-sessions --no-legend | awk '{print $1}'); do "
                               "loginctl show-session $s -p Name -p State --value | paste -sd' '; done")
        return [line for line in output.splitlines() if line.strip()]

    # --- the tests --------------------------------------------------------------------------

    def power_on_to_layout(self, machine: Machine, arch: str, limit: float = None):
        machine.power_on()
        seconds = self.wait_for_layout(machine, GREEN, limit or BOOT_LIMIT,
                                       "kept layout after power-on")
        self.report.passed(f"{arch}: the kept layout full screen after power-on, nobody logged in",
                           f"{seconds:.1f} s")
        self.report.figure(f"{arch} power-on to the kept layout ({machine.accel}): {seconds:.1f} s")
        machine.wait_for_agent(120)
        said = machine.check(f"{DISPLAY_JOURNAL} | grep -c 'software renderer' || true")
        if said.strip() != "0":
            self.report.figure(f"{arch}: cage fell back to the software renderer "
                               f"({said.strip()} line said)")

    def watchdog(self, machine: Machine):
        before = self.unit_state(machine)
        stopped = self.display_pid(machine)
        machine.check(f"kill -STOP {stopped}")
        start = time.monotonic()

        def restarted():
            state = self.unit_state(machine)
            return (state.get("ActiveState") == "active" and
                    int(state.get("NRestarts", 0)) > int(before.get("NRestarts", 0)))

        wait_for(restarted, 150, "restart by the watchdog", every=2)
        wait_for(lambda: not shows_layout(machine.screen(), GREEN), 60, "layout after the restart")
        seconds = time.monotonic() - start
        left = machine.run(f"ps -o pid=,stat=,comm= -p {stopped}")[1].strip()
        sessions = self.sessions(machine)
        said = machine.check(f"journalctl -b -u {UNIT} -o cat | grep -c 'Watchdog timeout' || true")
        problems = []
        if left:
            problems.append(f"the stopped display is left: {left}")
        if len(sessions) != 1 or "closing" in sessions[0]:
            problems.append(f"sessions: {sessions}")
        if said.strip() == "0":
            problems.append("the journal has no watchdog timeout")
        if seconds > WATCHDOG_GOAL:
            problems.append(f"{seconds:.1f} s, over {WATCHDOG_GOAL} s")
        if problems:
            return self.report.failed("watchdog", "; ".join(problems))
        self.report.passed("watchdog: a stopped display is restarted, the layout back, nothing left",
                           f"{seconds:.1f} s")
        self.report.figure(f"watchdog stop to the layout back: {seconds:.1f} s")

    def start_server(self, machine: Machine):
        machine.check(f"systemd-run --unit=velmora-server --uid={OPERATOR} "
                      f"--setenv=HOME=/home/{OPERATOR} --setenv=QT_QPA_PLATFORM=offscreen "
                      "/usr/bin/velmora")

    def serve(self, machine: Machine, display_type: int, lines: list):
        """The operator's program serves the layout, as the operator would have set it."""
        machine.run("systemctl stop velmora-server")
        ini = self.operator_ini_text(display_type, lines)
        machine.write(f"/home/{OPERATOR}/.local/share/velmora/velmora.ini", ini, OPERATOR)
        self.start_server(machine)

    def server_layout(self, machine: Machine):
        self.serve(machine, 6, PINK_LINES)
        start = time.monotonic()
        self.wait_for_layout(machine, PINK, 120, "server's layout")
        self.report.figure(f"the server's layout on the screen {time.monotonic() - start:.1f} s "
                           "after the server started")
        pid = self.display_pid(machine)
        machine.check("systemctl stop velmora-server")
        # Whatever the display does about it, the layout stays on the screen.
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            why = shows_layout(machine.screen(), PINK)
            if why:
                return self.report.failed("server gone", f"the layout went: {why}")
        if self.display_pid(machine) != pid:
            return self.report.failed("server gone", "the display was restarted")
        self.report.passed("a layout from the operator's server, kept 30 s after the server went")

    def cache_state(self, machine: Machine) -> dict:
        """The media cache as the disk holds it: staged files, the index's lines, and
        whether each line is whole."""
        staged = machine.run(f"ls -1 {CACHE} | grep -c '^\\.part-' || true")[1].strip()
        index = machine.run(f"cat {CACHE}/index")[1].splitlines()
        whole = bool(index) and index[0] == "velmora-media-index 1" and all(
            len(line.split("\t")) == 8 for line in index[1:])
        return {"staged": int(staged or 0), "entries": index[1:], "whole": whole}

    def power_cut_during_fetch(self, machine: Machine):
        """Cut while a 50 MB video comes into the cache; the next boot shows the layout with
        the video fetched again in full and verified, and the index whole."""
        # At the next boot the web server serves at full speed; this one stays held.
        machine.write("/etc/nginx/sites-enabled/default", self.nginx_site(rate=""))
        machine.check("sync")
        self.serve(machine, 2, VIDEO_LINES)
        # The display comes back to the server within its retry time (up to a minute after the
        # server was away), then fetches at 1 MB/s. Its staged file has its full size from the
        # start (room reserved), so what came is read off the web server's connection.
        sent = machine.check(f"""
            for i in $(seq 1200); do
                sent=$(ss -tinH state established '( sport = :{WEB_PORT} )' |
                       grep -o 'bytes_acked:[0-9]*' | cut -d: -f2 | head -1)
                [ -n "$sent" ] && [ "$sent" -gt 10000000 ] && {{ echo "$sent"; exit 0; }}
                sleep 0.2
            done
            exit 1""", limit=360).strip()
        machine.power_cut()
        self.report.figure(f"power cut with {int(sent) / 1e6:.0f} MB of 52 MB fetched")
        machine.power_on()
        machine.wait_for_agent(BOOT_LIMIT)
        machine.check(f"""
            for i in $(seq 240); do
                {DISPLAY_JOURNAL} | grep -q 'fetched .*long.mp4' && exit 0
                sleep 0.5
            done
            exit 1""", limit=150)
        problems = []
        state = self.cache_state(machine)
        if state["staged"]:
            problems.append(f"{state['staged']} staged files left")
        if not state["whole"]:
            problems.append(f"the index is not whole: {state['entries']}")
        sha = machine.check("sha256sum /srv/media/long.mp4").split()[0]
        if not any(sha in line for line in state["entries"]):
            problems.append("the index does not vouch for the video's content")
        shown_part = machine.run(f"{DISPLAY_JOURNAL} | grep -c 'Cannot play.*part-'")[1]
        if shown_part.strip() not in ("", "0"):
            problems.append("a staged file reached the video engine")
        why = ""
        try:
            self.wait_for_layout(machine, VIDEO, 60, "video layout after the cut")
        except MachineError as error:
            why = str(error)
        if why:
            problems.append(why)
        if problems:
            return self.report.failed("power cut during a fetch", "; ".join(problems))
        self.report.passed("power cut during a 50 MB fetch: the layout back with the video fetched "
                           "again and verified, no staged file, the index whole")

    def power_cut_after_layout(self, machine: Machine):
        """Cut right after a new layout arrived; the next boot shows a complete layout."""
        before = machine.check(f"cat {KEPT}")
        self.serve(machine, 6, PINK_LINES)
        machine.check(f"""
            before=$(md5sum < {KEPT})
            for i in $(seq 1200); do
                [ "$(md5sum < {KEPT})" != "$before" ] && exit 0
                sleep 0.05
            done
            exit 1""", limit=90)
        machine.power_cut()
        machine.power_on()
        machine.wait_for_agent(BOOT_LIMIT)
        after = machine.check(f"cat {KEPT}")
        if after == before:
            self.wait_for_layout(machine, VIDEO, 120, "old layout after the cut")
            kept = "the layout before it"
        elif after.startswith(f"Name={CLIENT}\nType=6\n\n") and "pink.bmp" in after:
            self.wait_for_layout(machine, PINK, 120, "new layout after the cut")
            kept = "the new layout"
        else:
            return self.report.failed("power cut after a new layout", f"the kept layout: {after!r}")
        self.report.passed("power cut right after a new layout: a complete layout shows", kept)

    def install_on_running_machine(self, arch: str, base: Path):
        disk = self.plain_disk(arch, base)
        machine = self.machine(arch, base, disk)
        try:
            machine.power_on()
            machine.wait_for_agent(BOOT_LIMIT)
            deb = self.debs["velmora-display"].name
            # Some 250 packages, set up under emulation.
            machine.check(f"DEBIAN_FRONTEND=noninteractive apt-get install -y -q /root/{deb}", 1800)
            brought = machine.check("dpkg-query -W -f '${Package} ' cage xwayland polkitd")
            machine.check(f"useradd -m {KIOSK}")
            machine.check(f"velmora-display --install-kiosk {KIOSK}")
            machine.write(SETTINGS, f"[Display]\nServer=127.0.0.1:{PORT}\nName={CLIENT}\n", KIOSK)
            machine.write(KEPT, GREEN_LAYOUT, KIOSK)
            # systemctl returns once the display said it is up.
            start = time.monotonic()
            machine.check(f"systemctl start {UNIT}", limit=180)
            self.wait_for_layout(machine, GREEN, 180, "layout after systemctl start")
            self.report.passed("installed with apt on the running machine (" + brought.strip() +
                               "), the kiosk started at once", f"{time.monotonic() - start:.1f} s")
            machine.check("velmora-display --remove-kiosk")
            left = machine.run(f"pgrep -u {KIOSK} -l; systemctl is-active getty@tty1; "
                               f"ls /etc/systemd/system/{UNIT} /run/velmora-kiosk 2>&1")[1]
            if "active" not in left.split() or f"-u {KIOSK}" in left or "No such file" not in left:
                return self.report.failed("--remove-kiosk", left)
            self.report.passed("--remove-kiosk: no display, the login prompt back on tty1")
            # seatd in polkit's place: the unit reaches it through the video group.
            machine.check("DEBIAN_FRONTEND=noninteractive apt-get purge -y -q polkitd && "
                          f"DEBIAN_FRONTEND=noninteractive apt-get install -y -q {image.SEAT_DAEMON}",
                          600)
            machine.check(f"velmora-display --install-kiosk {KIOSK}")
            start = time.monotonic()
            machine.check(f"systemctl start {UNIT}", limit=180)
            self.wait_for_layout(machine, GREEN, 180, "layout through seatd")
            self.report.passed("seatd in place of polkit: the kiosk takes the screen",
                               f"{time.monotonic() - start:.1f} s")
        finally:
            machine.shut_down()

    # --- the runs -----------------------------------------------------------------------------

    def machine(self, arch: str, base: Path, disk: Path) -> Machine:
        return Machine(self.work, base / "vmlinuz", base / "initrd.img", disk, arch,
                       accel=self.accel)

    def step(self, name: str, check, *arguments):
        """Runs one check; a failure is reported and the run goes on where it can."""
        try:
            check(*arguments)
            return True
        except (MachineError, subprocess.CalledProcessError) as error:
            self.report.failed(name, str(error))
        except Exception:
            self.report.failed(name, traceback.format_exc())
        return False

    def run_kiosk(self, arch: str):
        base = image.base(arch, list(self.debs.values()), Path(self.args.cache))
        self.accel = self.args.accel if self.args.accel != "probe" else probe_kvm(self, arch, base)
        disk = self.image_builder_disk(arch, base, with_server=self.args.all)
        machine = self.machine(arch, base, disk)
        try:
            if not self.step("power-on", self.power_on_to_layout, machine, arch):
                return
            self.step("watchdog", self.watchdog, machine)
            if self.args.all:
                self.step("server", self.server_layout, machine)
                self.step("power cut during a fetch", self.power_cut_during_fetch, machine)
                self.step("power cut after a layout", self.power_cut_after_layout, machine)
            # Last: it takes the screen from the kiosk.
            self.step("screen hours", screenswitches.check, machine, self.report)
        finally:
            machine.shut_down()
        if self.args.all:
            self.step("install on the running machine", self.install_on_running_machine, arch,
                      base)


    def run_arm64(self, debs: list):
        """The arm64 packages installed with apt in an arm64 Debian 12 machine (emulated, on any
        host) as an image builder would, and the kept layout shown under cage."""
        self.debs = {Path(deb).name.split("_")[0]: Path(deb) for deb in debs}
        self.accel = "tcg"
        base = image.base("arm64", debs, Path(self.args.cache))
        started = time.monotonic()
        disk = self.image_builder_disk("arm64", base, with_server=False)
        self.report.figure(f"arm64 install in the image: {time.monotonic() - started:.0f} s")
        machine = self.machine("arm64", base, disk)
        try:
            self.power_on_to_layout(machine, "arm64", limit=ARM64_BOOT_LIMIT)
        finally:
            machine.shut_down()


def probe_kvm(run: Run, arch: str, base: Path) -> str:
    """KVM where a short boot shows that it works: the kernel started its first program within
    the limit; TCG otherwise (on some machines KVM hangs after the firmware)."""
    if not os.access("/dev/kvm", os.R_OK | os.W_OK):
        return "tcg"
    work = run.work / "kvm-probe"
    work.mkdir(exist_ok=True)
    probe = Machine(work, base / "vmlinuz", base / "initrd.img", Path("/dev/null"), arch,
                    accel="kvm", memory=512, cpus=1)
    try:
        probe.power_on()
        wait_for(lambda: "Run /init as init process" in probe.serial_text(), 20, "kernel start",
                 every=0.5)
        accel = "kvm"
    except MachineError:
        accel = "tcg"
    finally:
        probe.power_cut()
    run.report.figure(f"KVM probe: {'works' if accel == 'kvm' else 'hangs or fails; TCG used'}")
    return accel


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--work", required=True)
    parser.add_argument("--cache", required=True)
    parser.add_argument("--source", required=True, help="the checkout")
    parser.add_argument("--accel", default="tcg")
    parser.add_argument("--all", action="store_true")
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--arm64", nargs=2, metavar="DEB", help="the arm64 packages (--all)")
    parser.add_argument("debs", nargs="+")
    args = parser.parse_args()
    report = Report()
    run = Run(args, report)
    started = time.monotonic()
    run.step("amd64 kiosk", run.run_kiosk, "amd64")
    if args.all and args.arm64:
        run.step("arm64 kiosk", run.run_arm64, args.arm64)
    print(f"{sum(ok for _, ok in report.results)} passed, "
          f"{sum(not ok for _, ok in report.results)} failed in "
          f"{time.monotonic() - started:.0f} s", flush=True)
    for figure in report.figures:
        print(f"figure: {figure}")
    return 0 if report.ok() else 1


if __name__ == "__main__":
    sys.exit(main())
