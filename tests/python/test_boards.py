# Board descriptions through the module: a file or a plain object, refused
# with ValueError naming the key, and a described board's points found in a
# frame, or what was seen when it cannot be that board.
import os

import cv2
import pytest

import talmeq

PHOTO = "/usr/share/doc/opencv-doc/examples/data/left01.jpg"


def test_descriptions_from_files_and_objects_find_the_board_or_name_what_was_seen(tmp_path):
    path = tmp_path / "board.yml"
    path.write_text("type: chessboard\ncolumns: 9\nrows: 6\n")
    with pytest.raises(ValueError, match="the board's key square is missing"):
        talmeq.readBoardDescription(str(path))
    with pytest.raises(ValueError, match="the board's marker must be smaller than its square"):
        talmeq.BoardDescription("charuco", 5, 7, square=30, marker=30, dictionary="DICT_4X4_50")
    path.write_text("type: chessboard\ncolumns: 9\nrows: 6\nsquare: 1\n")
    if not os.path.exists(PHOTO):
        pytest.skip(PHOTO + " is absent: install the opencv-doc package")
    found, board_points, image_points, misfit = talmeq.findBoardView(cv2.imread(PHOTO), talmeq.readBoardDescription(str(path)))
    assert found and len(board_points) == len(image_points) == 54 and board_points[-1] == (8.0, 5.0, 0.0)
    found, board_points, _, misfit = talmeq.findBoardView(
        cv2.imread(PHOTO, cv2.IMREAD_GRAYSCALE), talmeq.BoardDescription("chessboard", 17, 12, square=15.0))
    assert not found and board_points == [] and misfit == "a chessboard of 9 x 6 inner corners; the board is 17 x 12"
