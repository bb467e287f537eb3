"""Linux views of Wine processes and sockets for the Wine benchmarks: CPU time from /proc, the
prefix's wineserver, the loopback UDP sockets' queues and drops, resident memory."""
import os

import harness
from harness import wait_for

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """utime + stime of a whole process (ended threads included), in clock ticks' resolution."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def thread_cpu(pid):
    """Seconds on a CPU per live thread, by thread id, to the nanosecond (schedstat): windows
    of a few seconds would otherwise be counted in 10 ms steps."""
    out = {}
    try:
        tids = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return out
    for tid in tids:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                out[int(tid)] = int(f.read().split()[0]) / 1e9
        except (OSError, ValueError, IndexError):
            continue  # the thread ended
    return out


def cpu_used(before, after):
    """CPU seconds between two thread_cpu readings; a thread that ended in between is lost,
    one that started is counted whole."""
    return sum(seconds - before.get(tid, 0.0) for tid, seconds in after.items())


def wineserver_pid():
    """The prefix's wineserver: it works in a folder named server-DEV-INODE of the prefix."""
    info = os.stat(harness.PREFIX)
    server_dir = "server-%x-%x" % (info.st_dev, info.st_ino)
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if not f.read().startswith("wineserver"):
                    continue
            if os.path.basename(os.readlink("/proc/%s/cwd" % entry)) == server_dir:
                return int(entry)
        except OSError:
            continue
    return None


def program_pid(process, exe_name):
    """The Linux pid of a WinProcess, once it is the program itself (wine execs into it)."""
    pid = process.popen.pid

    def is_program():
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                return exe_name.lower() in f.read().decode("utf-8", "replace").lower()
        except OSError:
            return False
    wait_for(is_program, "pid %d to be %s" % (pid, exe_name))
    return pid


def _udp_line(port):
    local = "0100007F:%04X" % port
    with open("/proc/net/udp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            if fields[1] == local:
                return fields
    return None


def udp_drops(port):
    """Datagrams the kernel dropped at the loopback socket on that port."""
    fields = _udp_line(port)
    return int(fields[-1]) if fields else 0


def udp_waiting(port):
    """Bytes waiting to be read at the loopback socket on that port (0 when there is none)."""
    fields = _udp_line(port)
    return int(fields[4].split(":")[1], 16) if fields else 0


def status_field(pid, name):
    """A /proc/<pid>/status size field in KiB (VmRSS, VmHWM)."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    return None
