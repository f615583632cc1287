"""A test machine under qemu: powered on from its kernel and disk, its screen read through QMP's
screendump, commands run in it through the agent of the test image (a virtio port), and its
power cut by killing qemu. No network device: nothing leaves the machine."""

import base64
import json
import os
import socket
import subprocess
import time
from pathlib import Path

from screen import Screen

AGENT_PORT = "velmora.agent"

ARCHES = {
    "amd64": {
        "qemu": "qemu-system-x86_64",
        # A virtio GPU without 3D: a DRM device that Mesa has no GL for, as on many a small PC.
        # (The standard VGA card's driver cannot import buffers, which wlroots 0.15 requires.)
        "machine": ["-machine", "pc", "-vga", "none", "-device", "virtio-vga"],
        "console": "ttyS0",
        "root": "/dev/vda",
    },
    "arm64": {
        "qemu": "qemu-system-aarch64",
        "machine": ["-machine", "virt", "-cpu", "cortex-a57", "-device", "virtio-gpu-pci"],
        "console": "ttyAMA0",
        "root": "/dev/vda",
    },
}


class MachineError(Exception):
    pass


def wait_for(condition, limit: float, what: str, every: float = 1.0):
    """Calls the condition until it gives something true, for at most limit seconds; gives
    that back, or raises MachineError naming what was waited for."""
    deadline = time.monotonic() + limit
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise MachineError(f"no {what} within {limit:.0f} s")
        time.sleep(every)


class Machine:
    def __init__(self, work: Path, kernel: Path, initrd: Path, disk: Path, arch: str = "amd64",
                 accel: str = "tcg", memory: int = 2048, cpus: int = 2):
        self.work = work
        self.kernel, self.initrd, self.disk = kernel, initrd, disk
        self.arch, self.accel, self.memory, self.cpus = arch, accel, memory, cpus
        self.process = None
        self.boots = 0
        self.powered_on = 0.0
        self.qmp_socket = None
        self.agent_socket = None
        self.agent_buffer = b""
        self.agent_id = 0

    # --- power ---------------------------------------------------------------------------

    def power_on(self):
        arch = ARCHES[self.arch]
        self.boots += 1
        # Named after the disk, so that the logs of every machine of a run are kept.
        self.serial_log = self.work / f"{self.disk.stem}-serial-{self.boots}.log"
        qmp_path = self.work / "qmp.sock"
        agent_path = self.work / "agent.sock"
        for path in (qmp_path, agent_path):
            path.unlink(missing_ok=True)
        accel = "kvm" if self.accel == "kvm" else "tcg,thread=multi"
        append = (f"root={arch['root']} rw console={arch['console']} "
                  "systemd.journald.forward_to_console=1 systemd.show_status=0 "
                  "net.ifnames=0 panic=-1")
        command = [
            arch["qemu"], *arch["machine"], "-accel", accel, "-m", str(self.memory),
            "-smp", str(self.cpus), "-kernel", str(self.kernel), "-initrd", str(self.initrd),
            "-append", append,
            "-drive", f"file={self.disk},format=raw,if=virtio,cache=writeback",
            "-nic", "none", "-display", "none", "-no-reboot",
            "-serial", f"file:{self.serial_log}",
            "-qmp", f"unix:{qmp_path},server=on,wait=off",
            "-device", "virtio-serial",
            "-chardev", f"socket,id=agent,path={agent_path},server=on,wait=off",
            "-device", f"virtserialport,chardev=agent,name={AGENT_PORT}",
        ]
        log = open(self.work / f"{self.disk.stem}-qemu-{self.boots}.log", "wb")
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                        stderr=subprocess.STDOUT)
        log.close()
        self.powered_on = time.monotonic()
        wait_for(lambda: qmp_path.exists() or self.process.poll() is not None, 30, "QMP socket",
                 every=0.1)
        if self.process.poll() is not None:
            raise MachineError("qemu ended at once: " + (
                self.work / f"{self.disk.stem}-qemu-{self.boots}.log").read_text(errors="replace"))
        self.qmp_socket = socket.socket(socket.AF_UNIX)
        self.qmp_socket.settimeout(30)
        self.qmp_socket.connect(str(qmp_path))
        self.qmp_file = self.qmp_socket.makefile("rwb")
        self._qmp_read()  # the greeting
        self.qmp("qmp_capabilities")
        self.agent_socket = socket.socket(socket.AF_UNIX)
        self.agent_socket.connect(str(agent_path))
        self.agent_buffer = b""

    def since_power_on(self) -> float:
        return time.monotonic() - self.powered_on

    def running(self) -> bool:
        return self.process is not None and self.process.poll() is None

    def power_cut(self):
        """As pulling the plug: qemu is killed, whatever the machine was writing."""
        if self.running():
            self.process.kill()
        self._closed()

    def shut_down(self, limit: float = 120):
        """An orderly power-off; the plug is pulled when it takes longer than the limit."""
        if not self.running():
            return self._closed()
        try:
            self.qmp("system_powerdown")
            self.process.wait(timeout=limit)
        except (subprocess.TimeoutExpired, OSError, MachineError):
            self.process.kill()
        self._closed()

    def _closed(self):
        if self.process is not None:
            self.process.wait()
        for item in (self.qmp_socket, self.agent_socket):
            if item is not None:
                item.close()
        self.qmp_socket = self.agent_socket = None

    # --- QMP ------------------------------------------------------------------------------

    def _qmp_read(self) -> dict:
        while True:
            line = self.qmp_file.readline()
            if not line:
                raise MachineError("qemu closed its QMP socket")
            message = json.loads(line)
            if "event" not in message:
                return message

    def qmp(self, command: str, **arguments) -> dict:
        request = {"execute": command}
        if arguments:
            request["arguments"] = arguments
        self.qmp_file.write(json.dumps(request).encode() + b"\n")
        self.qmp_file.flush()
        answer = self._qmp_read()
        if "error" in answer:
            raise MachineError(f"{command}: {answer['error'].get('desc')}")
        return answer.get("return", {})

    def screen(self) -> Screen:
        path = self.work / "screen.ppm"
        path.unlink(missing_ok=True)
        self.qmp("screendump", filename=str(path))
        return Screen.read(path)

    def keep_screen(self, name: str) -> Path:
        """Keeps what the screen shows now as a PPM file under the name, for the report."""
        path = self.work / f"{name}.ppm"
        self.qmp("screendump", filename=str(path))
        return path

    # --- the agent -------------------------------------------------------------------------

    def run(self, script: str, limit: float = 120) -> tuple:
        """Runs the shell script as root in the machine; gives its exit status and output."""
        self.agent_id += 1
        # The machine ends the script at the limit too, so that it is free for the next.
        request = (f"{self.agent_id} {int(limit)} "
                   f"{base64.b64encode(script.encode()).decode()}\n")
        self.agent_socket.sendall(request.encode())
        deadline = time.monotonic() + limit
        while True:
            while b"\n" in self.agent_buffer:
                line, self.agent_buffer = self.agent_buffer.split(b"\n", 1)
                parts = line.decode().split(" ")
                if len(parts) == 3 and parts[0] == str(self.agent_id):
                    return int(parts[1]), base64.b64decode(parts[2]).decode(errors="replace")
            left = deadline - time.monotonic()
            if left <= 0 or not self.running():
                raise MachineError(f"the machine did not answer within {limit:.0f} s: {script}")
            self.agent_socket.settimeout(min(left, 5))
            try:
                data = self.agent_socket.recv(65536)
            except socket.timeout:
                continue
            if not data:
                raise MachineError("qemu closed the agent's port")
            self.agent_buffer += data

    def check(self, script: str, limit: float = 120) -> str:
        """Runs the script; its output, or MachineError when it fails."""
        status, output = self.run(script, limit)
        if status != 0:
            raise MachineError(f"{script!r} failed ({status}): {output.strip()}")
        return output

    def write(self, path: str, content, owner: str = None):
        """Writes the file in the machine; with an owner, what is in that account's home
        becomes the account's, as if its programs had made it."""
        data = base64.b64encode(content.encode() if isinstance(content, str) else content)
        script = f'mkdir -p "$(dirname {path})" && echo {data.decode()} | base64 -d > {path}'
        if owner:
            script += f' && chown -R {owner}: "$(getent passwd {owner} | cut -d: -f6)"'
        self.check(script)

    def wait_for_agent(self, limit: float):
        """Until the machine has booted far enough to run commands."""
        deadline = time.monotonic() + limit
        # The agent reads only once its service runs; what was sent before waits for it.
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise MachineError(f"the machine's agent did not start within {limit:.0f} s")
            try:
                self.run("true", min(left, 30))
                return
            except MachineError:
                if not self.running():
                    raise

    def serial_text(self) -> str:
        return self.serial_log.read_text(errors="replace") if self.serial_log.exists() else ""
