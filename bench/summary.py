"""Prints the performance table from the two benchmarks' JSON output (medians)."""
import json
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            rows[b["run_name"]] = b
    return data["context"], rows


def mpix(row):
    return row["items_per_second"] / 1e6


def main(image_path, pipeline_path):
    context, ops = medians(image_path)
    _, pipe = medians(pipeline_path)
    print(f"load average at start: {context.get('load_avg')}; "
          f"{context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz")

    halftones = [("HT_NONE", None, 2000), ("HT_Ordered", 1, 2000),
                 ("HT_FloydSteinberg", 0, 350), ("HT_Burkes", 2, 250),
                 ("HT_Stucki", 3, 250), ("HT_Jarvis-Judice-Ninke", 4, 250),
                 ("HT_Sierra", 5, 250), ("HT_StevensonArce", 6, 250)]
    print()
    print("| halftone | ImageProcessing 576/256 Mpixel/s (goal) | fast op Mpixel/s | reference Mpixel/s | ratio (goal) |")
    print("|---|---|---|---|---|")
    for name, method, goal in halftones:
        p = pipe.get(f"ImageProcessing/576/256/{name}")
        if method is None:
            fast, ref = ops.get("BM_Threshold/reference:0"), ops.get("BM_Threshold/reference:1")
            ratio_goal = 20
        else:
            fast = ops.get(f"BM_Dither/method:{method}/reference:0")
            ref = ops.get(f"BM_Dither/method:{method}/reference:1")
            ratio_goal = 5 if method == 0 else (8 if method != 1 else None)
        ratio = mpix(fast) / mpix(ref) if fast and ref else float("nan")
        goal_text = f" (>= {ratio_goal}x)" if ratio_goal else ""
        print(f"| {name} | {mpix(p):.0f} (>= {goal}) | {mpix(fast):.0f} | {mpix(ref):.1f} | {ratio:.0f}x{goal_text} |")

    print()
    print("| ImageProcessing case | 576/24 | 576/128 | 576/256 | 384/24 | 384/128 | 384/256 |")
    print("|---|---|---|---|---|---|---|")
    cases = [h for h, _, _ in halftones] + ["landscape", "TRANS_180", "offset_P10", "SavePaper_TopAndBottom"]
    for case in cases:
        cells = []
        for width in (576, 384):
            for band in (24, 128, 256):
                row = pipe.get(f"ImageProcessing/{width}/{band}/{case}")
                cells.append(f"{mpix(row):.0f}" if row else "-")
        print(f"| {case} | " + " | ".join(cells) + " |")

    print()
    print("| image operation, 576 x 256 band | fast Mpixel/s | reference Mpixel/s |")
    print("|---|---|---|")
    for op in ["RotateLeft", "Rotate180"]:
        print(f"| {op} | {mpix(ops[f'BM_{op}/reference:0']):.0f} | {mpix(ops[f'BM_{op}/reference:1']):.0f} |")
    for op in ["Crop", "Flip", "CreateFromArray", "Copy"]:
        print(f"| {op} | {mpix(ops[f'BM_{op}']):.0f} | |")

    short = pipe.get("PageLength/576x1000/256/HT_FloydSteinberg")
    long = pipe.get("PageLength/576x100000/256/HT_FloydSteinberg")
    if short and long:
        spread = abs(mpix(short) - mpix(long)) / max(mpix(short), mpix(long)) * 100
        print()
        print(f"page length, Floyd-Steinberg: 576 x 1,000 {mpix(short):.0f} Mpixel/s, "
              f"576 x 100,000 {mpix(long):.0f} Mpixel/s ({spread:.0f} % apart, goal <= 20 %)")

    worst = max((r.get("heap_budget", 0), n) for n, r in pipe.items())
    share = max((r.get("heap_x_band", 0), n) for n, r in pipe.items())
    print(f"peak extra heap of one call: at most {share[0]:.2f} x the band's bytes ({share[1]}); "
          f"at most {worst[0] * 100:.0f} % of 3 x band + 64 KiB ({worst[1]})")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
