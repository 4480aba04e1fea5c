"""Two Python threads calling the module at once get the results that one
thread gets alone."""
from concurrent.futures import ThreadPoolExecutor

import talmeq


def test_two_threads_get_the_results_of_one(read):
    frames = [read("height", f"calib_{i:02d}.ppm") for i in range(7)] * 3
    alone = [talmeq.getSpotCoord(frame) for frame in frames]
    with ThreadPoolExecutor(max_workers=2) as pool:
        together = list(pool.map(talmeq.getSpotCoord, frames))
    assert together == alone
