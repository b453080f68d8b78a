// OpenCV doing what each Karvo step does, on the frame the Karvo steps ran on, on one thread
// (cv::setNumThreads(1)) and on all cores, as medians of as many runs. OpenCV's results are its
// own (its rounding, its border rules): the comparison is of the time for the same work. Where
// OpenCV has no operation of the same definition the closest is named in the table.
#include "OpenCvCompare.h"

#include <cstdio>
#include <functional>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "BenchUtil.h"
#include "imaging/Processor.h"

namespace kvbench {

namespace {

struct Op {
    const char* step;    // Karvo's step name in the main table
    const char* opencv;  // what OpenCV runs
    std::function<void(const cv::Mat&, cv::Mat&)> run;
};

// A 3×3 kernel of Karvo's blur weights for a factor: centre 55 − 5·factor, neighbours 1, over
// their sum.
cv::Mat BlurKernel(int factor) {
    const float centre = float(55 - 5 * factor), sum = centre + 8;
    cv::Mat k(3, 3, CV_32F, cv::Scalar(1.0f / sum));
    k.at<float>(1, 1) = centre / sum;
    return k;
}

// Karvo's sharpen weights: centre 2, edge neighbours −e/(4(1+e)), diagonals −1/(4(1+e)),
// e = 51 − 5·factor.
cv::Mat SharpenKernel(int factor) {
    const float e = float(51 - 5 * factor), q = 4 * (1 + e);
    cv::Mat k(3, 3, CV_32F, cv::Scalar(-1.0f / q));
    k.at<float>(0, 1) = k.at<float>(1, 0) = k.at<float>(1, 2) = k.at<float>(2, 1) = -e / q;
    k.at<float>(1, 1) = 2;
    return k;
}

}  // namespace

std::string CompareWithOpenCv(const std::string& title, const std::vector<RGBX>& frame, CSize size,
                              const StepTimes& karvo, int runs, int cores) {
    const cv::Mat src(size.cy, size.cx, CV_8UC4, const_cast<RGBX*>(frame.data()));
    const CSize turned = CImageRotator(45, 1).CalcDestSize(size);
    cv::Mat rotation = cv::getRotationMatrix2D(cv::Point2f(size.cx / 2.0f, size.cy / 2.0f), 45, 1);
    rotation.at<double>(0, 2) += (turned.cx - size.cx) / 2.0;
    rotation.at<double>(1, 2) += (turned.cy - size.cy) / 2.0;
    // The shear 50/50 as an inverse map: source x = x − 50 + 50·y/h', source y = y − 50·x/w'.
    const CSize sheared(size.cx + 50, size.cy + 50);
    const cv::Mat shear = (cv::Mat_<double>(2, 3) << 1, 50.0 / sheared.cy, -50, -50.0 / sheared.cx, 1, 0);
    const cv::Mat blur = BlurKernel(5), sharpen = SharpenKernel(5);
    auto warp = [](const cv::Mat& m, CSize to, int flags) {
        return [m, to, flags](const cv::Mat& s, cv::Mat& d) {
            cv::warpAffine(s, d, m, cv::Size(to.cx, to.cy), flags, cv::BORDER_CONSTANT, cv::Scalar(255, 255, 255, 255));
        };
    };
    const Op ops[] = {
        {"grey", "cvtColor BGRA2GRAY (writes one byte a pixel, Karvo four)",
         [](const cv::Mat& s, cv::Mat& d) { cv::cvtColor(s, d, cv::COLOR_BGRA2GRAY); }},
        {"invert", "bitwise_not", [](const cv::Mat& s, cv::Mat& d) { cv::bitwise_not(s, d); }},
        {"flip horizontal", "flip(1)", [](const cv::Mat& s, cv::Mat& d) { cv::flip(s, d, 1); }},
        {"flip vertical", "flip(0)", [](const cv::Mat& s, cv::Mat& d) { cv::flip(s, d, 0); }},
        {"rotate 45° blended", "warpAffine, INTER_LINEAR, same output size", warp(rotation, turned, cv::INTER_LINEAR)},
        {"rotate 45° nearest", "warpAffine, INTER_NEAREST", warp(rotation, turned, cv::INTER_NEAREST)},
        {"shear 50/50 blended", "warpAffine (the shear's matrix), INTER_LINEAR",
         warp(shear, sheared, cv::INTER_LINEAR | cv::WARP_INVERSE_MAP)},
        {"enlarge 2×", "resize 2×, INTER_LINEAR",
         [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(), 2, 2, cv::INTER_LINEAR); }},
        {"enlarge 1.5× (positions not in 128ths)", "resize 1.5×, INTER_LINEAR",
         [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(), 1.5, 1.5, cv::INTER_LINEAR); }},
        {"shrink 0.5", "resize 0.5, INTER_AREA (block means)",
         [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(), 0.5, 0.5, cv::INTER_AREA); }},
        {"blur 5", "filter2D, Karvo's 3×3 weights", [blur](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, blur); }},
        {"blur 5", "blur 5×5 box", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, cv::Size(5, 5)); }},
        {"sharpen 5", "filter2D, Karvo's 3×3 weights",
         [sharpen](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, sharpen); }},
    };
    std::string text;
    char buf[512];
    const int threadsBefore = cv::getNumThreads();  // OpenCV's default: its pool on every core
    std::snprintf(buf, sizeof buf,
                  "\n| %s, against OpenCV %s | Karvo 1 thread ms | OpenCV 1 thread ms | Karvo ÷ OpenCV | Karvo %d cores ms | "
                  "OpenCV %d threads ms | Karvo ÷ OpenCV | what OpenCV runs |\n|---|---:|---:|---:|---:|---:|---:|---|\n",
                  title.c_str(), CV_VERSION, cores, threadsBefore);
    text += buf;
    for (const Op& op : ops) {
        const auto k = karvo.find(op.step);
        if (k == karvo.end()) continue;
        cv::Mat dst;
        op.run(src, dst);  // the destination made once, as Karvo's is
        cv::setNumThreads(1);
        const double one = Median(SortedSeconds(runs, [&] { op.run(src, dst); }));
        cv::setNumThreads(threadsBefore);
        const double all = Median(SortedSeconds(runs, [&] { op.run(src, dst); }));
        std::snprintf(buf, sizeof buf, "| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %s |\n", op.step,
                      k->second.first * 1e3, one * 1e3, k->second.first / one, k->second.second * 1e3, all * 1e3,
                      k->second.second / all, op.opencv);
        text += buf;
        std::fputs(buf, stdout);
    }
    return text;
}

}  // namespace kvbench
