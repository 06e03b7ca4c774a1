# The Fourier tables: in process, our 2-D transform and our whole forward and inverse (picture
# to planes and back) against FFTW's single-threaded FFTW_ESTIMATE plan of the same complex 2-D
# transform, from fourier_bench; then whole processes against ImageMagick's -fft and -ift on
# square gray and colour pictures cut from the photograph.
import os

from .common import CONVERT, benchmark_mps, best_time, print_table, run
from .photo import photo

BENCHES = ["fourier_bench"]
# Ours at least half FFTW's throughput (within 2 times its time), three times ImageMagick's.
IN_PROCESS_GOALS = {"FFTW": 0.5}
WHOLE_GOALS = {"ImageMagick": 3.0}
SIDES = [1024, 2048, 4096]
# (label, side, colour): the pictures of the forward and inverse rows.
PICTURES = [("gray 1024 x 1024", 1024, False), ("gray 4096 x 4096", 4096, False), ("RGB 2048 x 2048", 2048, True)]


def in_process(session):
    bench = session.build.bench("fourier_bench")
    mps = benchmark_mps([bench, "--benchmark_min_time=%s" % ("0.1" if session.quick else "0.5")])
    rows = []
    for n in SIDES:
        rows.append(("2-D transform %d x %d" % (n, n),
                     {"kestrix": mps.get("BM_Transform2D/%d" % n), "FFTW": mps.get("BM_Fftw2D/%d" % n)}))
    # A colour picture is three planes: FFTW's figure for it is a third of one plane's.
    for label, side, colour in PICTURES:
        planes = 3 if colour else 1
        fftw = mps.get("BM_Fftw2D/%d" % side)
        for kind in ("Forward", "Inverse"):
            ours = mps.get("BM_%s/side:%d/rgb:%d" % (kind, side, int(colour)))
            rows.append(("%s %s" % (kind.lower(), label), {"kestrix": ours, "FFTW": fftw / planes if fftw else None}))
    print_table("Fourier transform in process (MP/s of the grid, CPU time; FFTW single-threaded FFTW_ESTIMATE, "
                "complex to complex; ratios are ours / theirs, ! = goal missed)",
                rows, ["kestrix", "FFTW"], "kestrix", IN_PROCESS_GOALS)


def pictures(session):
    """The square pictures, cut from the photograph's centre and stretched: PGM for gray, PPM
    for colour."""
    source = photo(session.tmp)
    made = []
    for label, side, colour in PICTURES:
        path = os.path.join(session.tmp, "fourier%d.%s" % (side, "ppm" if colour else "pgm"))
        run([session.build.kestrix, "convert", source, path, "--quiet", "--do", "Resample", str(side), str(side),
             "rfTriangle"])
        made.append((label, side, colour, path))
    return made


def whole_process(session):
    kestrix, rows = session.build.kestrix, []
    for label, side, colour, path in pictures(session):
        out = os.path.join(session.tmp, "fourier_out." + ("ppm" if colour else "pgm"))
        kind = "rgb" if colour else "gray"
        operations = [
            # The spectrum; ImageMagick's -fft gives magnitude and phase, the phase is dropped.
            ("spectrum", ["--do", "FTDisplay", kind], ["-fft", "-delete", "1"]),
            # There and back: a low pass wider than the grid keeps every frequency.
            ("forward + inverse", ["--do", "FTLowPass", str(2 * side)], ["-fft", "-ift"]),
        ]
        for name, ours, magick in operations:
            argvs = {"kestrix": [kestrix, "convert", path, out, "--quiet"] + ours,
                     "ImageMagick": [CONVERT, path] + magick + [out]}
            best = best_time(argvs, out, session.repeats, lambda who, written: os.path.getsize(written))
            rows.append(("%s %s" % (name, label), {who: side * side / 1e6 / t for who, t in best.items()}))
    print_table("Fourier transform, whole process (MP/s of the picture; ratios are ours / theirs, ! = goal missed)",
                rows, ["kestrix", "ImageMagick"], "kestrix", WHOLE_GOALS)


def report(session):
    if session.in_process:
        in_process(session)
    whole_process(session)
