#include "model/Channels.h"

#include "app/AppState.h"
#include "platform/ByteReader.h"
#include "platform/DevLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace vx {

namespace {

// The upper bound is tested first, so a range with a > b yields b.
double clampUpperFirst(double v, double a, double b)
{
    if (v > b)
        return b;
    if (v < a)
        return a;
    return v;
}

const std::uint8_t* byteRange(std::span<const std::uint8_t> data, double offset, double count)
{
    if (!(offset >= 0) || !(count >= 0) || offset + count > static_cast<double>(data.size()))
        throw ReadPastEnd();
    return data.data() + static_cast<std::size_t>(offset);
}

float pcm16(const std::uint8_t* p, bool swap, double scale)
{
    std::uint16_t w;
    std::memcpy(&w, p, 2);
    if (swap)
        w = static_cast<std::uint16_t>((w >> 8) | (w << 8));
    return static_cast<float>(static_cast<std::int16_t>(w) * scale);
}

// 8-bit data is unsigned with 128 as zero.
float pcm8(std::uint8_t b)
{
    return static_cast<float>((int(b) - 128) / 128.0);
}

constexpr double kScale16 = 3.0517578125e-05;
constexpr double kScale12 = 0.00048828125;

// Sample k is word j + k * K of the interleaved data.
void decodeRange(const std::uint8_t* src, float* out, std::size_t n, int datasize, bool swap, std::size_t K,
                 std::size_t j)
{
    if (datasize == 16 && !swap && K == 1) {
        // The common case, kept free of per-sample branches so that it
        // vectorises: mono 16-bit in host order.
        for (std::size_t k = 0; k < n; ++k) {
            std::int16_t w;
            std::memcpy(&w, src + 2 * k, 2);
            out[k] = static_cast<float>(w) * (1.0f / 32768.0f);
        }
        return;
    }
    const std::size_t width = datasize == 8 ? 1 : datasize == 32 ? 4 : 2;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint8_t* at = src + (j + k * K) * width;
        switch (datasize) {
        case 16: out[k] = pcm16(at, swap, kScale16); break;
        case 12: out[k] = pcm16(at, swap, kScale12); break;
        case 8: out[k] = pcm8(*at); break;
        case 32: std::memcpy(&out[k], at, 4); break;
        }
    }
}

// Long recordings are decoded by two threads: the work is bound by first
// touching the new sample buffer, which both cores can share.
void decodeFrames(const std::uint8_t* src, float* out, std::size_t n, int datasize, bool swap, std::size_t K,
                  std::size_t j)
{
    constexpr std::size_t kParallelFrom = std::size_t(1) << 22;
    if (n < kParallelFrom) {
        decodeRange(src, out, n, datasize, swap, K, j);
        return;
    }
    const std::size_t half = n / 2;
    const std::size_t width = datasize == 8 ? 1 : datasize == 32 ? 4 : 2;
    std::thread second([=] { decodeRange(src + half * K * width, out + half, n - half, datasize, swap, K, j); });
    decodeRange(src, out, half, datasize, swap, K, j);
    second.join();
}

} // namespace

Channels::Channels()
{
    m_dSampleRate = app().g_nRecordSampleRate;
    m_Tiers[0].setLevelName("tones");
    m_Tiers[1].setLevelName("words");
    m_Tiers[2].setLevelName("breaks");
    m_Tiers[3].setLevelName("misc");
}

void Channels::Duplicate(const Channels& s)
{
    m_nChannelType = s.m_nChannelType;
    m_nChannelsinFile = s.m_nChannelsinFile;

    std::size_t n = s.m_hData ? std::min<std::size_t>(s.m_hData.size(),
                                                       static_cast<std::size_t>(std::max(0.0, s.m_dwFileLength)))
                              : 0;
    m_hData.newClear(n);
    if (n)
        std::copy_n(s.m_hData.data(), n, m_hData.data());

    m_dLengthMS = s.m_dLengthMS;
    m_dSampleRate = s.m_dSampleRate;
    m_dwFileLength = s.m_dwFileLength;
    m_nResolutionBits = s.m_nResolutionBits;
    m_nDataType = s.m_nDataType;
    m_nHeigth = s.m_nHeigth;
    m_strTitle = s.m_strTitle;
    m_nOrder = s.m_nOrder;
    m_bAnchorChannel = s.m_bAnchorChannel;
    m_bShow = s.m_bShow;
    m_nColorRed = s.m_nColorRed;
    m_nColorGreen = s.m_nColorGreen;
    m_nColorBlue = s.m_nColorBlue;
    m_strUnit = s.m_strUnit;
    m_dGain = s.m_dGain;
    m_dFilterRate = s.m_dFilterRate;
    m_dReference = s.m_dReference;
    m_bDrawReference = s.m_bDrawReference;
    m_dADInputVoltageRangeMV = s.m_dADInputVoltageRangeMV;
    m_dMaxRangeBits = s.m_dMaxRangeBits;
    m_dA3Cal = s.m_dA3Cal;
    m_dB2Cal = s.m_dB2Cal;
    m_dC1Cal = s.m_dC1Cal;
    m_dD0Cal = s.m_dD0Cal;
    m_dPageMin = s.m_dPageMin;
    m_dPageMax = s.m_dPageMax;
    m_dPageSize = s.m_dPageSize;
    m_dPageTimeMin = s.m_dPageTimeMin;
    m_dPageTimeMax = s.m_dPageTimeMax;
    m_dPageTimeSize = s.m_dPageTimeSize;
    m_ptOldCursorLoc = s.m_ptOldCursorLoc;
    m_ptNewCursorLoc = s.m_ptNewCursorLoc;
    m_dCursorDataValue = s.m_dCursorDataValue;
    m_dMarkerDataValue = s.m_dMarkerDataValue;
    m_dCursorFileValue = s.m_dCursorFileValue;
    m_dMarkerFileValue = s.m_dMarkerFileValue;
    m_dCursorTime = s.m_dCursorTime;
    m_dMarkerTime = s.m_dMarkerTime;
    m_dDurationStartTime = s.m_dDurationStartTime;
    m_dDurationStopTime = s.m_dDurationStopTime;
    m_dDurationStartFile = s.m_dDurationStartFile;
    m_dDurationStopFile = s.m_dDurationStopFile;
    m_dDurationTime = s.m_dDurationTime;
    m_dDurationFile = s.m_dDurationFile;
    m_dMinUnZoom = s.m_dMinUnZoom;
    m_dMaxUnZoom = s.m_dMaxUnZoom;

    RemoveAllLabels();
    for (const LabelPtr& src : s.m_pArrayLabels) {
        auto copy = std::make_shared<Labels>();
        copy->Duplicate(*src);
        Add_Label_Cocoa(copy);
    }

    auto copyBuffer = [](Handle<float>& dst, const Handle<float>& src, double count) {
        std::size_t n = std::min<std::size_t>(src.size(), static_cast<std::size_t>(std::max(0.0, count)));
        dst.newClear(n);
        std::copy_n(src.data(), n, dst.data());
    };
    if (s.m_hfDataIntensity) {
        copyBuffer(m_hfDataIntensity, s.m_hfDataIntensity, s.m_dIntensityFileLength);
        m_dIntensityFileLength = s.m_dIntensityFileLength;
        m_dIntensityWindowLengthMS = s.m_dIntensityWindowLengthMS;
        m_dIntensityStepSizeMS = s.m_dIntensityStepSizeMS;
        m_dIntensityMax = s.m_dIntensityMax;
        m_dIntensityMin = s.m_dIntensityMin;
        m_bIntensityRelative = s.m_bIntensityRelative;
        m_bHaveIntensity = s.m_bHaveIntensity;
        m_bDrawIntensity = s.m_bDrawIntensity;
        m_dSmoothNumOfPoints = s.m_dSmoothNumOfPoints;
        m_bSmoothDo = s.m_bSmoothDo;
    }
    if (s.m_hfDataPitch) {
        copyBuffer(m_hfDataPitch, s.m_hfDataPitch, s.m_nPitchFileLength);
        m_nPitchFileLength = s.m_nPitchFileLength;
        m_bHavePitch = s.m_bHavePitch;
    }
    if (s.m_hdDataVelocity) {
        copyBuffer(m_hdDataVelocity, s.m_hdDataVelocity, s.m_dVelocityFileLength);
        m_dVelocityFileLength = s.m_dVelocityFileLength;
        m_dVelocityMax = s.m_dVelocityMax;
        m_dVelocityMin = s.m_dVelocityMin;
        m_bHaveVelocity = s.m_bHaveVelocity;
        m_bDrawVelocity = s.m_bDrawVelocity;
        m_nVelocityColorRed = s.m_nVelocityColorRed;
        m_nVelocityColorGreen = s.m_nVelocityColorGreen;
        m_nVelocityColorBlue = s.m_nVelocityColorBlue;
        m_dVelocitySmoothingWindow = s.m_dVelocitySmoothingWindow;
    }
    if (s.m_hdDataAcceleration) {
        copyBuffer(m_hdDataAcceleration, s.m_hdDataAcceleration, s.m_dAccelerationFileLength);
        m_dAccelerationFileLength = s.m_dAccelerationFileLength;
        m_dAccelerationMax = s.m_dAccelerationMax;
        m_dAccelerationMin = s.m_dAccelerationMin;
        m_bHaveAcceleration = s.m_bHaveAcceleration;
        m_nAccelerationColorRed = s.m_nAccelerationColorRed;
        m_nAccelerationColorGreen = s.m_nAccelerationColorGreen;
        m_nAccelerationColorBlue = s.m_nAccelerationColorBlue;
        m_dAccelerationSmoothingWindow = s.m_dAccelerationSmoothingWindow;
        m_dPositionEstimationWindow = s.m_dPositionEstimationWindow;
        m_dVelocityEstimationWindow = s.m_dVelocityEstimationWindow;
        m_dAccelerationEstimationWindow = s.m_dAccelerationEstimationWindow;
    }
}

bool Channels::readData(std::span<const std::uint8_t> data, double length, double location,
                        int datasize, bool swap)
{
    return readDataMuliChannel(data, length, location, datasize, swap, 1, 0);
}

bool Channels::readDataMuliChannel(std::span<const std::uint8_t> data, double length,
                                   double location, int datasize, bool swap, int numofchannels,
                                   int whichchannel)
{
    m_hData.dispose();
    if (!(length >= 0) || numofchannels < 1 || whichchannel < 0 || whichchannel >= numofchannels)
        return false;
    const int n = truncInt(length);
    const double p = truncInt(location);
    const std::size_t K = static_cast<std::size_t>(numofchannels);
    const std::size_t j = static_cast<std::size_t>(whichchannel);
    devLog("nDataSie = %d", truncInt(n * 4.0 + 100));

    int bytesPerSample = datasize == 8 ? 1 : datasize == 32 ? 4 : (datasize == 12 || datasize == 16) ? 2 : 0;
    const std::uint8_t* src = nullptr;
    if (bytesPerSample)
        src = byteRange(data, p, static_cast<double>(K) * n * bytesPerSample);
    try {
        if (src)
            m_hData.newUninitialized(static_cast<std::size_t>(n));
        else
            m_hData.newClear(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        m_hData.dispose();
        return false;
    }
    if (src)
        decodeFrames(src, m_hData.data(), static_cast<std::size_t>(n), datasize, swap, K, j);
    return true;
}

void Channels::GetPageMinMaxTimes(double* tmin, double* tmax)
{
    double scale = m_dwFileLength > 0 ? m_dLengthMS / m_dwFileLength : 0.0;
    m_dPageTimeMin = m_dPageMin * scale;
    m_dPageTimeMax = m_dPageMax * scale;
    m_dPageTimeSize = m_dPageTimeMax - m_dPageTimeMin;
    if (tmin)
        *tmin = m_dPageTimeMin;
    if (tmax)
        *tmax = m_dPageTimeMax;
}

Channels::Mapped Channels::mapPixel(double x, double W) const
{
    double f = W != 0 ? m_dPageMin + x * (m_dPageMax - m_dPageMin) / W : m_dPageMin;
    f = clampUpperFirst(f, 0, m_dwFileLength);
    double t = m_dwFileLength > 0 ? f * m_dLengthMS / m_dwFileLength : 0.0;
    return {f, clampUpperFirst(t, 0, m_dLengthMS)};
}

Channels::Mapped Channels::mapTime(double t) const
{
    double f = m_dLengthMS > 0 ? t * m_dwFileLength / m_dLengthMS : 0.0;
    return {clampUpperFirst(f, 0, m_dwFileLength), clampUpperFirst(t, 0, m_dLengthMS)};
}

Rect Channels::GetSelectionRect(const Rect& dataArea) const
{
    const double N = m_dwFileLength;
    const double L = m_dLengthMS;
    double tmin = N > 0 ? m_dPageMin * L / N : 0;
    double tmax = N > 0 ? m_dPageMax * L / N : 0;
    double s = tmax != tmin ? dataArea.width() / (tmax - tmin) : 0;
    auto column = [&](double a) -> int {
        if (tmin >= a)
            return dataArea.left;
        if (a >= tmax)
            return dataArea.right;
        return dataArea.left + truncInt(std::fabs((a - tmin) * s));
    };
    auto x1 = static_cast<std::int16_t>(column(m_dDurationStartTime));
    auto x2 = static_cast<std::int16_t>(column(m_dDurationStopTime));
    Rect r = dataArea;
    r.left = std::min(x1, x2);
    r.right = std::max(x1, x2);
    return r;
}

double Channels::GetCursorPixelforTime(double t, double dataWidth)
{
    double tmin, tmax;
    GetPageMinMaxTimes(&tmin, &tmax);
    if (tmax == tmin)
        return 0;
    return (t - tmin) * dataWidth / (tmax - tmin);
}

double Channels::GetCursorTime(PointD p, double dataWidth) const
{
    return mapPixel(p.x, dataWidth).time;
}

double Channels::sampleAt(double f) const
{
    if (m_hData.size() == 0)
        return 0;
    std::size_t i = static_cast<std::size_t>(std::max(0, truncInt(f)));
    return m_hData[std::min(i, m_hData.size() - 1)];
}

void Channels::SetCursorInFile_Point(PointD p, double dataWidth)
{
    m_ptNewCursorLoc = p;
    Mapped m = mapPixel(p.x, dataWidth);
    m_dCursorFileValue = m.file;
    m_dCursorTime = m.time;
}

void Channels::SetCursorInFile_Time(double t)
{
    Mapped m = mapTime(t);
    m_dCursorFileValue = m.file;
    m_dCursorTime = m.time;
}

void Channels::setMarker(const Mapped& m)
{
    m_dMarkerFileValue = m.file;
    m_dMarkerTime = m.time;
    if (m_hData.size() > 0)
        m_dMarkerDataValue = sampleAt(m_dMarkerFileValue);
    m_dDurationStartTime = m_dDurationStopTime = m_dMarkerTime;
    m_dDurationStartFile = m_dDurationStopFile = m_dMarkerFileValue;
    m_dDurationTime = m_dDurationFile = 0;
}

void Channels::SetMarkerValues_Point(PointD p, double dataWidth)
{
    setMarker(mapPixel(p.x, dataWidth));
}

void Channels::SetMarkerValues_Time(double t)
{
    setMarker(mapTime(t));
}

void Channels::CalculateDuration()
{
    if (m_dCursorTime > m_dMarkerTime) {
        m_dDurationStartTime = m_dMarkerTime;
        m_dDurationStartFile = m_dMarkerFileValue;
        m_dDurationStopTime = m_dCursorTime;
        m_dDurationStopFile = m_dCursorFileValue;
    } else if (m_dMarkerTime > m_dCursorTime) {
        m_dDurationStartTime = m_dCursorTime;
        m_dDurationStartFile = m_dCursorFileValue;
        m_dDurationStopTime = m_dMarkerTime;
        m_dDurationStopFile = m_dMarkerFileValue;
    } else {
        m_dDurationStartTime = m_dDurationStopTime = m_dCursorTime;
        m_dDurationStartFile = m_dDurationStopFile = m_dCursorFileValue;
    }
    m_dDurationTime = m_dDurationStopTime - m_dDurationStartTime;
    m_dDurationFile = m_dDurationStopFile - m_dDurationStartFile;
}

} // namespace vx
