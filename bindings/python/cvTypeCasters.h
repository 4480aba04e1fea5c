// Conversions of OpenCV's small value types to and from Python: points and
// sizes are pairs, taken from any two-item sequence and given as tuples
// (x, y) and (width, height). With pybind11/stl.h, vectors of them become
// lists of tuples.
#pragma once

#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

namespace pybind11::detail {

template <class Value, class Scalar, Scalar Value::*First, Scalar Value::*Second>
struct PairCaster {
  PYBIND11_TYPE_CASTER(Value, const_name("tuple[") + make_caster<Scalar>::name + const_name(", ") +
                                  make_caster<Scalar>::name + const_name("]"));

  bool load(handle source, bool convert) {
    if (!isinstance<sequence>(source) || isinstance<str>(source) || isinstance<bytes>(source)) return false;
    const auto items = reinterpret_borrow<sequence>(source);
    if (items.size() != 2) return false;
    make_caster<Scalar> first, second;
    if (!first.load(items[0], convert) || !second.load(items[1], convert)) return false;
    value.*First = cast_op<Scalar>(first);
    value.*Second = cast_op<Scalar>(second);
    return true;
  }

  static handle cast(const Value& pair, return_value_policy, handle) {
    return make_tuple(pair.*First, pair.*Second).release();
  }
};

template <class T>
struct type_caster<cv::Point_<T>> : PairCaster<cv::Point_<T>, T, &cv::Point_<T>::x, &cv::Point_<T>::y> {};

template <>
struct type_caster<cv::Size> : PairCaster<cv::Size, int, &cv::Size::width, &cv::Size::height> {};

}  // namespace pybind11::detail
