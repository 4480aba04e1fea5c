# Board descriptions through the module: a file or a plain object, refused
# with ValueError naming the key, and a described board's points found in a
# frame, or what was seen when it cannot be that board.
import os

import cv2
import numpy as np
import pytest

import talmeq

PHOTO = "/usr/share/doc/opencv-doc/examples/data/left01.jpg"


def test_file_and_object_describe_the_same_board_and_bad_ones_are_refused(tmp_path):
    path = tmp_path / "board.yml"
    path.write_text("type: aruco-grid\ncolumns: 4\nrows: 5\nmarker: 20\nseparation: 5\ndictionary: DICT_6X6_250\n")
    read = talmeq.read_board(str(path))
    made = talmeq.BoardDescription("aruco-grid", 4, 5, marker=20, separation=5, dictionary="DICT_6X6_250")
    assert (read.type, read.columns, read.rows, read.marker, read.separation, read.dictionary, read.first_id) == (
        made.type, made.columns, made.rows, made.marker, made.separation, made.dictionary, made.first_id)
    path.write_text("type: chessboard\ncolumns: 9\nrows: 6\n")
    with pytest.raises(ValueError, match="the board's key square is missing"):
        talmeq.read_board(str(path))
    with pytest.raises(ValueError, match="the board's marker must be smaller than its square"):
        talmeq.BoardDescription("charuco", 5, 7, square=30, marker=30, dictionary="DICT_4X4_50")


def test_board_points_are_found_or_the_board_seen_is_named():
    if not os.path.exists(PHOTO):
        pytest.skip(PHOTO + " is absent: install the opencv-doc package")
    image = cv2.imread(PHOTO)
    found, board_points, image_points, misfit = talmeq.find_board_view(
        image, talmeq.BoardDescription("chessboard", 9, 6, square=1.0))
    assert found and len(board_points) == len(image_points) == 54 and misfit == ""
    assert board_points[-1] == (8.0, 5.0, 0.0)
    found, board_points, _, misfit = talmeq.find_board_view(
        image[:, :, 0].copy(), talmeq.BoardDescription("chessboard", 17, 12, square=15.0))
    assert not found and board_points == []
    assert misfit == "a chessboard of 9 x 6 inner corners; the board is 17 x 12"
