#!/usr/bin/env python3
"""Whole-process benchmark of the script player beside Playwright.

Plays the 20-step script (player_bench_steps.txt over player_bench_page1/2)
with `scriptplayer --time-scale 0` and the equivalent Playwright script
(playwright/player.mjs) in turns, each as a whole process from start to
exit, and prints the median wall time and the peak memory: the driving
process's own peak RSS and the peak total PSS of its whole process tree
(the browser included), sampled every 20 ms.

Usage: bench/player_bench.py SCRIPTPLAYER [runs]   (see player_bench.sh)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TEXT, TITLE = '文本', '标题'


def tree(root):
    """The process ids of `root` and all its descendants."""
    children = {}
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            with open(f'/proc/{entry}/stat') as stat:
                ppid = int(stat.read().rsplit(')', 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def kilobytes(pid, field):
    try:
        with open(f'/proc/{pid}/{"smaps_rollup" if field == "Pss:" else "status"}') as f:
            for line in f:
                if line.startswith(field):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def measure(command):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    peak_tree = peak_own = 0
    while process.poll() is None:
        pids = tree(process.pid)
        peak_tree = max(peak_tree, sum(kilobytes(pid, 'Pss:') for pid in pids))
        peak_own = max(peak_own, kilobytes(process.pid, 'VmHWM:'))
        time.sleep(0.02)
    wall = time.monotonic() - start
    if process.returncode != 0:
        sys.exit(f'{command[0]} failed ({process.returncode}): {process.stderr.read().decode()}')
    return wall, peak_own, peak_tree


def main():
    player = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    with open(os.path.join(HERE, 'player_bench_steps.txt'), encoding='utf-8') as steps:
        page = 'file://' + os.path.join(HERE, 'player_bench_page1.html')
        text = page + '\r\n' + steps.read().replace('\n', '\r\n')
    script = tempfile.NamedTemporaryFile(suffix='.ini', delete=False)
    script.write(text.encode('gb18030'))
    script.close()
    commands = {
        'scriptplayer': [player, '--time-scale', '0', '--text', TEXT, '--title', TITLE,
                         script.name],
        'playwright': ['node', os.path.join(HERE, 'playwright', 'player.mjs'), TEXT, TITLE],
    }
    results = {name: [] for name in commands}
    for name, command in commands.items():  # one warm-up run each, not counted
        measure(command)
    for _ in range(runs):
        for name, command in commands.items():
            results[name].append(measure(command))
    os.unlink(script.name)

    print(f'{runs} runs each, 20 steps, whole process start to exit')
    print(f'{"":14} {"median wall (s)":>16} {"min..max (s)":>14} '
          f'{"own peak RSS (MB)":>18} {"tree peak PSS (MB)":>19}')
    for name, rows in results.items():
        walls = [row[0] for row in rows]
        print(f'{name:14} {statistics.median(walls):16.3f} '
              f'{min(walls):6.2f}..{max(walls):<6.2f} '
              f'{max(row[1] for row in rows) / 1024:18.1f} '
              f'{max(row[2] for row in rows) / 1024:19.1f}')
    ours = statistics.median(row[0] for row in results['scriptplayer'])
    theirs = statistics.median(row[0] for row in results['playwright'])
    print(f'wall time ratio scriptplayer / playwright: {ours / theirs:.2f}')


if __name__ == '__main__':
    main()
