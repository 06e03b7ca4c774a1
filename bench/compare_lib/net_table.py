# Whole-process rows for operations so cheap that reading and writing the 36 MB PPM is most of a
# program's time (point operations, 3 x 3 filters). Each program's plain copy of the same file
# runs in the same rounds as its operation, and the "net" figure counts the operation's time
# minus that program's best copy, so start-up and file coding no longer hide the operation.
from .common import HEIGHT, PIXELS, WIDTH, best_time, expect_ppm, print_grid, ratio_cell

COPY = "copy: "


def time_with_copies(rows, copies, out, repeats):
    """rows: (operation, {program: argv}, check of the output, in-process MP/s or None, {peer: goal});
    copies: {program: argv of its plain copy}. Each row's commands take turns with the copies of
    the same programs. Returns ({program: best copy seconds over all rows}, [(operation, {program:
    seconds}, in-process MP/s, goals)])."""
    copy_best = {}
    timed = []
    for op, argvs, check, in_process, goals in rows:
        def check_either(name, path):
            if name.startswith(COPY):
                expect_ppm(WIDTH, HEIGHT)(name, path)
            else:
                check(name, path)
        both = {}
        for name, argv in argvs.items():
            both[name] = argv
            both[COPY + name] = copies[name]
        times = best_time(both, out, repeats, check_either)
        for name in argvs:
            copy_best[name] = min(copy_best.get(name, float("inf")), times[COPY + name])
        timed.append((op, {name: times[name] for name in argvs}, in_process, goals))
    return copy_best, timed


def print_net_table(title, copy_times, rows, programs, in_process_name):
    """One row per operation: ours whole and net, our in-process figure, each peer's whole and
    net, then ours / each peer on whole and on net figures; goals apply to the net ratios."""
    ours, peers = programs[0], programs[1:]
    lines = [["operation", ours, "net", in_process_name] + [c for p in peers for c in (p, "net")]
             + [c for p in peers for c in ("/" + p, "net")]]
    mp = PIXELS / 1e6
    copy_mps = {name: mp / t for name, t in copy_times.items()}
    lines.append(["copy (no operation)", "%.1f" % copy_mps[ours], "-", "-"]
                 + [c for p in peers for c in ("%.1f" % copy_mps[p] if p in copy_mps else "-", "-")]
                 + [c for p in peers for c in (ratio_cell(copy_mps[ours], copy_mps.get(p), None), "-")])
    for op, times, in_process, goals in rows:
        whole = {name: mp / t for name, t in times.items()}
        net = {name: mp / (t - copy_times[name]) for name, t in times.items() if t > copy_times[name]}

        def net_cell(name):
            return "%.1f" % net[name] if name in net else "noise" if name in times else "-"
        cells = [op, "%.1f" % whole[ours], net_cell(ours), "%.1f" % in_process if in_process else "-"]
        for p in peers:
            cells += ["%.1f" % whole[p] if p in whole else "-", net_cell(p)]
        for p in peers:
            cells += [ratio_cell(whole[ours], whole.get(p), None), ratio_cell(net.get(ours), net.get(p), goals.get(p))]
        lines.append(cells)
    print_grid(title, lines)
