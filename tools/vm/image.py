"""Debian 12 disks for the test machine.

A base system per architecture, made once with mmdebstrap from Debian's packages and kept under
the cache folder: Debian's "important" packages, logind's PAM session and the kernel (what a
console install has), with no velmora package and none of what the packages need installed.
What they need (their Depends and Recommends) waits in a package folder inside the system, its
only apt source, so that apt installs the packages there as it would from the Debian archive,
with no network.
Each run copies the base, installs the built packages into the copy as the README says, and
makes the copy a disk."""

import hashlib
import os
import shutil
import subprocess
from pathlib import Path

SUITE = "bookworm"
SOURCES = [
    f"deb http://deb.debian.org/debian {SUITE} main",
    f"deb http://deb.debian.org/debian {SUITE}-updates main",
    f"deb http://deb.debian.org/debian-security {SUITE}-security main",
]
# Made again when the recipe changes.
RECIPE = "7"
KERNELS = {"amd64": "linux-image-amd64", "arm64": "linux-image-arm64"}
# The test machine's own tools, not the product's: a web server that the media cache fetches
# from, held to a rate so that a power cut meets a fetch half done; seatd, which the kiosk takes
# instead of polkit; the screen's tools below. The arm64 machine is only booted.
WEB_SERVER = "nginx-light"
SEAT_DAEMON = "seatd"
# What proves the screen's switches: cec-ctl and cec-follower, which play the TV on the kernel's
# emulated HDMI (vivid), and an X server whose modesetting driver takes DPMS to the virtual GPU.
SCREEN_TOOLS = ["v4l-utils", "xserver-xorg-core"]
TEST_PACKAGES = {"amd64": [WEB_SERVER, SEAT_DAEMON, *SCREEN_TOOLS], "arm64": []}
PACKAGE_FOLDER = "/var/local/velmora-debs"
AGENT = "/usr/local/sbin/velmora-vm-agent"

AGENT_SCRIPT = r"""#!/bin/bash
# The test machine's hand for tools/vm-test.sh on the host: runs each script the host sends on
# the virtio port as root, within the seconds the host gives it, and answers with its exit
# status and output, one line each. Only in the test machine's images.
exec 3<>/dev/virtio-ports/velmora.agent
while read -r id limit script <&3; do
    output=$(printf '%s' "$script" | base64 -d | timeout "$limit" bash 2>&1)
    status=$?
    printf '%s %s %s\n' "$id" "$status" "$(printf '%s' "$output" | base64 -w0)" >&3
done
"""

AGENT_UNIT = f"""[Unit]
Description=Test machine agent for tools/vm-test.sh
StartLimitIntervalSec=0

[Service]
ExecStart={AGENT}
Restart=always
RestartSec=1

[Install]
WantedBy=multi-user.target
"""


def inside(root: Path, path: str) -> Path:
    """The path in the system in the root folder, its links followed within that system: a
    link there names the system's own files, never the host's."""
    target = root / path.lstrip("/")
    for _ in range(40):
        if not target.is_symlink():
            return target
        link = os.readlink(target)
        target = root / link.lstrip("/") if link.startswith("/") else target.parent / link
    raise OSError(f"too many links at {path}")


def write(root: Path, path: str, content, mode: int = 0o644):
    """Writes a file of the system in the root folder."""
    target = inside(root, path)
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(content.encode() if isinstance(content, str) else content)
    target.chmod(mode)


def run(command, **options):
    subprocess.run(command, check=True, **options)


def chroot(root: Path, *command, check=True, **options):
    environment = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C.UTF-8",
                   "DEBIAN_FRONTEND": "noninteractive", "HOME": "/root"}
    return subprocess.run(["chroot", str(root), *command], check=check, env=environment,
                          **options)


class Mounts:
    """The host's /proc, /sys and /dev in a root, for as long as the object is entered: what an
    image builder gives the package manager's scripts."""

    def __init__(self, root: Path):
        self.points = [(f"/{name}", root / name) for name in ("proc", "sys", "dev", "dev/pts")]

    def __enter__(self):
        for source, point in self.points:
            run(["mount", "--bind", source, str(point)])
        return self

    def __exit__(self, *error):
        for _, point in reversed(self.points):
            subprocess.run(["umount", "-l", str(point)], check=False)


def dependency_fields(debs) -> str:
    fields = []
    for deb in debs:
        fields.append(subprocess.run(["dpkg-deb", "--field", str(deb), "Package", "Depends",
                                      "Recommends"], check=True, capture_output=True,
                                     text=True).stdout)
    return "".join(sorted(fields))


def base(arch: str, debs, cache: Path) -> Path:
    """The cached base for the architecture and what the packages need; made when missing. A
    base whose packages are in but whose setting up was cut short is only set up."""
    key = hashlib.sha256((RECIPE + arch + dependency_fields(debs) + " ".join(TEST_PACKAGES[arch]))
                         .encode()).hexdigest()[:16]
    folder = cache / arch / f"base-{key}"
    if (folder / "done").exists():
        print(f"kept: {folder}", flush=True)
        return folder
    if not (folder / "made").exists():
        for old in (cache / arch).glob("base-*"):
            shutil.rmtree(old)
        make(arch, debs, folder / "root")
        (folder / "made").write_text(key + "\n")
    set_up(folder)
    (folder / "done").write_text(key + "\n")
    return folder


def make(arch: str, debs, root: Path):
    """Debian's important packages and kernel in the root folder, and what the packages and the
    test's tools need in its package folder."""
    root.mkdir(parents=True)
    copied = [f"/tmp/{Path(deb).name}" for deb in debs]
    # In the new system, with the network: fetch what the packages and the test's tools need,
    # then keep it in the package folder (mmdebstrap empties apt's own cache at the end).
    fetch = ('chroot "$1" apt-get install --download-only -y -q -o APT::Install-Recommends=true '
             f'{" ".join(copied)} {" ".join(TEST_PACKAGES[arch])}')
    keep = (f'mkdir -p "$1{PACKAGE_FOLDER}" && mv "$1"/var/cache/apt/archives/*.deb '
            f'"$1{PACKAGE_FOLDER}/" && rm -f ' + " ".join(f'"$1{path}"' for path in copied))
    # A console install also has logind's PAM session (the installer takes systemd's
    # Recommends), which stands for "logind" in libseat's "seatd | logind".
    run(["mmdebstrap", "--mode=root", "--variant=important", f"--arch={arch}",
         f"--include={KERNELS[arch]},initramfs-tools,libpam-systemd",
         "--customize-hook=copy-in " + " ".join(str(deb) for deb in debs) + " /tmp",
         f"--customize-hook={fetch}", f"--customize-hook={keep}",
         SUITE, str(root), *SOURCES])


def set_up(folder: Path):
    """The package folder as the only apt source, the disk, the journal kept, the agent, and
    the kernel and initrd beside the root for qemu. Can run again."""
    root = folder / "root"
    run(f"cd {root}{PACKAGE_FOLDER} && apt-ftparchive packages . > Packages", shell=True)
    write(root, "/etc/apt/sources.list", f"deb [trusted=yes] file:{PACKAGE_FOLDER} ./\n")
    for listed in (root / "var/lib/apt/lists").glob("*_*"):
        listed.unlink()
    chroot(root, "apt-get", "update", "-q")
    write(root, "/etc/fstab", "/dev/vda / ext4 errors=remount-ro 0 1\n")
    write(root, "/etc/hostname", "velmora-test\n")
    (root / "var/log/journal").mkdir(parents=True, exist_ok=True)
    write(root, AGENT, AGENT_SCRIPT, mode=0o755)
    unit = "/etc/systemd/system/velmora-vm-agent.service"
    write(root, unit, AGENT_UNIT)
    wanted = inside(root, "/etc/systemd/system/multi-user.target.wants") / Path(unit).name
    wanted.parent.mkdir(parents=True, exist_ok=True)
    wanted.unlink(missing_ok=True)
    wanted.symlink_to(unit)
    # Debian's files; the links to them in / are relative to /boot.
    shutil.copy(next(root.glob("boot/vmlinuz-*")), folder / "vmlinuz")
    shutil.copy(next(root.glob("boot/initrd.img-*")), folder / "initrd.img")


def copy_base(base_folder: Path, work: Path) -> Path:
    root = work / "root"
    if root.exists():
        shutil.rmtree(root)
    run(["cp", "-a", "--reflink=auto", str(base_folder / "root"), str(root)])
    return root


def make_disk(root: Path, disk: Path, spare_mb: int = 1536):
    """An ext4 disk of the root folder's files and some room to spare."""
    used = int(subprocess.run(["du", "-sm", str(root)], check=True, capture_output=True,
                              text=True).stdout.split()[0])
    disk.unlink(missing_ok=True)
    run(["mkfs.ext4", "-q", "-F", "-L", "velmora", "-d", str(root), str(disk),
         f"{used + spare_mb}M"])
