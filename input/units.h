// Unit codes, conversion factors to the internal units (seconds, ng/L,
// m3/s, metres, milligrams) and the axis labels of the plots.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "input/control_file.h"
#include "model/test_description.h"

namespace kaldero::units {

// Factor from the time unit to seconds (1 for an unknown code).
float timeFactor(int32_t code);
// Seconds in the time unit of code (unchanged for an unknown code).
inline float fromSeconds(float seconds, int32_t code) { return seconds / timeFactor(code); }
// Factor from the concentration unit to ng/L (1 for an unknown code).
float concentrationFactor(int32_t code);
// A discharge in the unit of code converted to m3/s, division first, then
// multiplication, in single precision (unchanged for an unknown code).
float dischargeToSI(float q, int32_t code);
// Factor from the distance unit to metres (1 for an unknown code).
float distanceFactor(int32_t code);
// Factor from the mass unit to milligrams.
float massFactor(int32_t code);

// Converts a station's curve, constant discharge, travel distance (with the
// sinuosity correction) and knot spacing in place to internal units.
void convertStationData(TestDescription& test, std::span<float> T, std::span<float> C,
                        std::span<float> Q, int32_t n);

// Converts the injected tracer mass to milligrams (once per run).
void convertInjectedMass(ControlValues& control);

// Axis labels: label is filled with the label of the code, blank-padded to
// its present length (at least 35); an unknown code leaves it unchanged.
void timeLabel(int32_t code, std::string& label);
void timeLabelLong(int32_t code, std::string& label);  // curve-file plots
void concentrationLabel(int32_t code, std::string& label);
void dischargeLabel(int32_t code, std::string& label);

}  // namespace kaldero::units
