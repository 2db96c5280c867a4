#!/usr/bin/python3
"""Starts and stops a pcscd of the tests' own, with only vsmartcard's vpcd reader.

  pcscd_fixture.py start <folder>   starts "pcscd -f -c <folder>/reader.conf.d" and waits for vpcd's port
  pcscd_fixture.py stop <folder>    ends that pcscd by its process id

pcscd has one fixed socket and needs root. Where it cannot start, "start" writes the reason to
<folder>/skip and succeeds, so that the tests skip with that reason; with CI set it fails instead.
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import time

VPCD_PORT = 35963
VPCD_DRIVER = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so"
PCSCD = "/usr/sbin/pcscd"
SOCKET = "/run/pcscd/pcscd.comm"


def cannot_start(folder, reason):
    with open(os.path.join(folder, "skip"), "w") as f:
        f.write(reason)
    print("pcscd not started:", reason)
    sys.exit(1 if os.environ.get("CI") else 0)


def port_open():
    try:
        with socket.create_connection(("127.0.0.1", VPCD_PORT), timeout=0.2):
            return True
    except OSError:
        return False


def running_pcscd():
    result = subprocess.run(["pgrep", "-x", "pcscd"], capture_output=True, text=True)
    # A pcscd that has ended may wait a moment as a zombie until init reaps it.
    return [pid for pid in result.stdout.split() if not zombie(int(pid))]


def start(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "reader.conf.d"))

    if not os.path.exists(PCSCD):
        cannot_start(folder, "pcscd is not installed (tools/install-deps.sh)")
    if not os.path.exists(VPCD_DRIVER):
        cannot_start(folder, "vsmartcard-vpcd is not installed (tools/install-deps.sh)")
    if os.geteuid() != 0:
        cannot_start(folder, "pcscd needs root for its socket " + SOCKET)
    others = running_pcscd()
    if others:
        cannot_start(folder, "another pcscd is running (pid %s)" % ", ".join(others))
    if port_open():
        cannot_start(folder, "port %d is taken" % VPCD_PORT)

    with open(os.path.join(folder, "reader.conf.d", "vpcd"), "w") as f:
        f.write('FRIENDLYNAME "Virtual PCD"\n')
        f.write("DEVICENAME   /dev/null:0x%04X\n" % VPCD_PORT)
        f.write("LIBPATH      %s\n" % VPCD_DRIVER)
        f.write("CHANNELID    0x%04X\n" % VPCD_PORT)

    log = open(os.path.join(folder, "pcscd.log"), "w")
    process = subprocess.Popen([PCSCD, "-f", "-c", os.path.join(folder, "reader.conf.d")],
                               stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    with open(os.path.join(folder, "pcscd.pid"), "w") as f:
        f.write(str(process.pid))

    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        if process.poll() is not None:
            os.remove(os.path.join(folder, "pcscd.pid"))
            cannot_start(folder, "pcscd ended with %d, see %s" % (process.returncode, log.name))
        if os.path.exists(SOCKET) and port_open():
            print("pcscd", process.pid, "ready")
            return
        time.sleep(0.05)

    stop(folder)
    cannot_start(folder, "pcscd did not open vpcd's port %d in time" % VPCD_PORT)


def zombie(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return False


def stop(folder):
    pid_file = os.path.join(folder, "pcscd.pid")
    if not os.path.exists(pid_file):
        return
    with open(pid_file) as f:
        pid = int(f.read())
    os.remove(pid_file)

    # The pid may have gone to another process if pcscd ended early.
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if not f.read().startswith(PCSCD.encode()):
                return
    except OSError:
        return

    try:
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            # "start" has ended, so pcscd is no child of ours; an unreaped zombie counts as gone.
            os.kill(pid, 0)
            if zombie(pid):
                break
            time.sleep(0.05)
        else:
            os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    print("pcscd", pid, "stopped")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    (start if sys.argv[1] == "start" else stop)(os.path.abspath(sys.argv[2]))
