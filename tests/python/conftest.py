"""Fixtures of the Python binding tests: the simulated dataset and the C++
reference's results, written by the CTest fixture Bindings.Reference."""
import os
import pathlib

import cv2
import pytest

DATA = pathlib.Path(os.environ["TALMEQ_BINDING_DATA"])


@pytest.fixture(scope="session")
def reference():
    return pathlib.Path(os.environ["TALMEQ_BINDING_REFERENCE"])


@pytest.fixture(scope="session")
def read():
    """A frame of the dataset as OpenCV reads it: H x W x 3, blue-green-red."""
    return lambda folder, name: cv2.imread(str(DATA / folder / name))
