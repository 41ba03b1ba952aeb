#pragma once
// One signal channel: its samples, the visible page, cursor, marker and
// selection (the "duration"), calibration values, and its labels on ten
// tiers. Readers fill the samples. Every mapping between pixels, samples
// and times goes through this class; pixels are those of the calling view,
// whose data area (or its width) each mapping takes.

#include "app/Settings.h"
#include "model/Labels.h"
#include "platform/Handle.h"
#include "platform/Types.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

// The intensity panel's values are kept per channel (IntensityOptions).
class Channels : public IntensityOptions {
public:
    static constexpr int kNumTiers = 10;

    Channels();

    // Identity and samples
    int m_nChannelType = 0;
    int m_nChannelsinFile = 0;
    Handle<float> m_hData;
    double m_dLengthMS = 0;
    double m_dSampleRate = 11025.0;
    double m_dwFileLength = 0;
    int m_nResolutionBits = 16;
    int m_nDataType = 0;

    // Display
    int m_nHeigth = 100;
    std::string m_strTitle = "channel";
    int m_nOrder = 0;
    bool m_bAnchorChannel = false;
    bool m_bShow = true;
    int m_nColorRed = 0;
    int m_nColorGreen = 0;
    int m_nColorBlue = 0;
    std::string m_strUnit;

    // Acquisition and calibration
    double m_dGain = 1.0;
    double m_dFilterRate = 5500.0;
    double m_dReference = 0.0;
    bool m_bDrawReference = true;
    double m_dADInputVoltageRangeMV = 1.0;
    double m_dMaxRangeBits = 1.0;
    double m_dA3Cal = 0.0;
    double m_dB2Cal = 0.0;
    double m_dC1Cal = 1.0;
    double m_dD0Cal = 0.0;
    bool m_bApplyCalibration = false;

    // Page
    double m_dPageMin = 0;
    double m_dPageMax = 0;
    double m_dPageSize = 0;
    double m_dPageTimeMin = 0;
    double m_dPageTimeMax = 0;
    double m_dPageTimeSize = 0;

    // Cursor, marker and duration
    PointD m_ptOldCursorLoc{};
    PointD m_ptNewCursorLoc{};
    double m_dCursorDataValue = 0;
    double m_dMarkerDataValue = 0;
    double m_dCursorFileValue = 0;
    double m_dMarkerFileValue = 0;
    double m_dCursorTime = 0;
    double m_dMarkerTime = 0;
    double m_dDurationStartTime = 0;
    double m_dDurationStopTime = 0;
    double m_dDurationStartFile = 0;
    double m_dDurationStopFile = 0;
    double m_dDurationTime = 0;
    double m_dDurationFile = 0;
    double m_dMinUnZoom = 0;
    double m_dMaxUnZoom = 0;

    // Labels and tiers
    int m_nLabelCount = 0;
    std::vector<LabelPtr> m_pArrayLabels;
    std::array<TIERS, kNumTiers> m_Tiers{};
    int m_nNumofTiers = 0;

    // Derived signals and marks
    Handle<float> m_hfDataIntensity;
    double m_dIntensityFileLength = 0;
    double m_dIntensityMax = 0;
    double m_dIntensityMin = 0;
    bool m_bHaveIntensity = false;
    bool m_bDrawIntensity = true;
    double m_dSmoothNumOfPoints = 5.0;
    bool m_bSmoothDo = false;
    Handle<float> m_hfDataPitch;
    int m_nPitchFileLength = 0;
    bool m_bHavePitch = false;
    Handle<float> m_hdDataVelocity;
    double m_dVelocityFileLength = 0;
    double m_dVelocityMax = 0;
    double m_dVelocityMin = 0;
    bool m_bHaveVelocity = false;
    bool m_bDrawVelocity = false;
    int m_nVelocityColorRed = 0;
    int m_nVelocityColorGreen = 0;
    int m_nVelocityColorBlue = 65535;
    double m_dVelocityCursorValue = 0;
    double m_dVelocitySmoothingWindow = 0.5;
    Handle<float> m_hdDataAcceleration;
    double m_dAccelerationFileLength = 0;
    double m_dAccelerationMax = 0;
    double m_dAccelerationMin = 0;
    bool m_bHaveAcceleration = false;
    bool m_bDrawAcceleration = false;
    int m_nAccelerationColorRed = 0;
    int m_nAccelerationColorGreen = 65535;
    int m_nAccelerationColorBlue = 0;
    double m_dAccelerationCursorValue = 0;
    double m_dAccelerationSmoothingWindow = 0.5;
    double m_dPositionEstimationWindow = 20.0;
    double m_dVelocityEstimationWindow = 20.0;
    double m_dAccelerationEstimationWindow = 20.0;
    std::vector<double> m_pArrayMarkers, m_pArrayRefCrossingUpDown, m_pArrayPeak, m_pArrayValley,
        m_pArrayMaxima, m_pArrayMinima, m_pArrayCycle;
    bool m_bHaveArrayMarkers = false, m_bDrawArrayMarkers = false;
    bool m_bHaveRefCrossingUpDown = false, m_bDrawRefCrossingUpDown = false;
    bool m_bHavePeak = false, m_bDrawPeak = false;
    bool m_bHaveValley = false, m_bDrawValley = false;
    bool m_bHaveMaxima = false, m_bDrawMaxima = false;
    bool m_bHaveMinima = false, m_bDrawMinima = false;
    double m_dPosRefCrossingUpDownThreshhold = 0;
    double m_dNegRefCrossingUpDownThreshhold = 0;
    double m_dPeakThreshhold = 0;
    double m_dValleyThreshhold = 66000.0;
    double m_dCycleThresholdPerCent = 25.0;
    double m_dCycleThresholdVelocityZero = 5.0;
    double m_dCycleThresholdAccelerationZero = 5.0;
    bool m_bHaveCycle = false;
    bool m_bDrawCycleThreshold = false;
    Handle<double> m_hdDataSmoothedShifted;
    Handle<double> m_hdDataSmoothedDC;
    bool m_DrawDCLevel = false;
    double m_dDCShiftWindowMS = 8.0;
    double m_dThresholdLevelDetectPerCent = 10.0;

    // Copying for the edit clipboard. Tiers are not copied here.
    void Duplicate(const Channels& source);

    // Sample reading. `location` is a byte offset into data; `length` is the
    // number of samples (frames for the interleaved read). A read past the
    // end of data throws ReadPastEnd.
    bool readData(std::span<const std::uint8_t> data, double length, double location, int datasize,
                  bool swap);
    bool readDataMuliChannel(std::span<const std::uint8_t> data, double length, double location,
                             int datasize, bool swap, int numofchannels, int whichchannel);

    void SetTitle(const std::string& s) { m_strTitle = s; }
    void SetUnit(const std::string& s) { m_strUnit = s; }
    void SetTitlecText(const char* s) { m_strTitle = s ? s : ""; }
    void SetUnitcText(const char* s) { m_strUnit = s ? s : ""; }

    // Page and pixels. x is measured from the data area's left edge and
    // dataWidth is the data area's width in the view the pixel belongs to.
    void GetPageMinMaxTimes(double* tmin, double* tmax);
    Rect GetSelectionRect(const Rect& dataArea) const;
    double GetCursorPixelforTime(double t, double dataWidth);
    double GetCursorTime(PointD p, double dataWidth) const;

    // Cursor, marker and duration
    void SetCursorInFile_Point(PointD p, double dataWidth);
    void SetCursorInFile_Time(double t);
    void SetMarkerValues_Point(PointD p, double dataWidth);
    void SetMarkerValues_Time(double t);
    void CalculateDuration();
    double GetDurationTime() const { return m_dDurationTime; }

    // The sample at file point f (index trunc(f); N reads the last sample).
    double sampleAt(double f) const;

    // Label operations. A tier index outside 0..9 makes each a no-op.
    // Adding at the marker saves the rectangle the label takes in the view
    // it is added from, on the band tierRect of that view.
    Labels* Tier_Add_Label_Cocoa_Where(int i, const LabelRecord& record, const Rect& dataArea, const Rect& tierRect);
    // The same at time t (ms) instead of the marker.
    Labels* Tier_Add_Label_Cocoa_Where(int i, const LabelRecord& record, const Rect& dataArea, const Rect& tierRect,
                                       double t);
    void Tier_Add_Label_Cocoa(int i, LabelPtr label);
    void Tier_Modify_Label(int i, const Labels* label, const Labels& modified);
    void Tier_Remove_Label(int i, const Labels* label);
    // Moves a label by dt ms, saving r as where it now lies.
    void Tier_MoveLabel(int i, Labels* label, Rect r, double dt);
    void Tier_MoveLabelTimeBy(int i, Labels* label, double dt);
    Labels* Tier_GetLabel(int i, int j);
    // Label j of tier i when its time is strictly inside tmin..tmax.
    Labels* Tier_GetLabelZoomed(int i, int j, double tmin, double tmax);
    void Tier_RemoveLabelAll(int i);
    Labels* Add_Label(const LabelRecord& record);
    void Add_Label_Cocoa(LabelPtr label);
    Labels* GetLabel(int j);
    void RemoveAllLabels();

    TIERS* tier(int i);

private:
    struct Mapped {
        double file;
        double time;
    };
    Mapped mapPixel(double x, double dataWidth) const;
    Mapped mapTime(double t) const;
    // Sets the marker and collapses the duration onto it.
    void setMarker(const Mapped& m);
};

} // namespace vx
