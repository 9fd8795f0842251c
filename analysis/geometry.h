// Flow geometry and hydraulic parameters: the volume of water that carried
// the tracer (the discharge integrated up to the mean transit time) and,
// for the flow form of the test description, a circular conduit, a porous
// transport zone or fractures, the areas, sorption coefficient, head loss,
// friction factor, Reynolds and Froude numbers, viscous sublayer and the
// molecular mass-transfer parameters.
#pragma once

#include <span>

#include "analysis/inputs.h"
#include "model/curve.h"
#include "model/results.h"

namespace kaldero {

// Water at about 10 degrees Celsius and the molecular diffusion of the
// tracer.
namespace water {
inline constexpr float kDensity = 999.1f;              // kg/m3
inline constexpr float kViscosity = 0.001139f;         // Pa s
inline constexpr float kSpecificWeight = 9798.1738f;   // N/m3
inline constexpr float kGravity = 9.807f;              // m/s2
inline constexpr float kTwoGravity = 19.614f;
inline constexpr float kEightViscosity = 0.009112f;
inline constexpr float kTwelveViscosity = 0.013668f;
inline constexpr float kDiffusion = 1e-9f;             // m2/s
inline constexpr float kSchmidt = 1140.0261f;          // viscosity / (density * diffusion)
inline constexpr float kSchmidtCubeRoot = 10.44652f;
inline constexpr float kPi = 3.1415927f;
}  // namespace water

// Friction of a circular conduit: laminar up to a Reynolds number of 2000.
struct ConduitFriction {
  bool laminar;
  float friction;
  float sublayer;  // viscous-flow sublayer, mm (turbulent flow only)
};
ConduitFriction conduitFriction(float reynolds, float diameter);

// Friction of fractures: laminar up to a Reynolds number of 500.
struct FractureFriction {
  bool laminar;
  float friction;
  float sublayer;  // mm (turbulent flow only)
};
FractureFriction fractureFriction(float reynolds, float width, float distance);

// Sherwood number of the flow along a porous zone or fractures: laminar up
// to a Reynolds number of 500.
float sherwoodNumber(float reynolds, float schmidtCubeRoot);

// The geometry step: the volume estimate (the discharges integrated from the
// first sample time to the mean transit time, or the constant discharge
// times the mean transit time with the station totals), then the flow form
// of the flow-geometry code and the mass-transfer values. carried: the
// hydraulic values the previous stations left (the listing repeats them
// where this station computes none); the values this station leaves go
// into carriedAfter.
FlowGeometry flowGeometry(const AnalysisInputs& in, const Curve& conditioned,
                          const MassRecovery& mass, const TransitTimes& transit,
                          const Transport& transport, const CarriedResults& carried,
                          CarriedResults& carriedAfter);

}  // namespace kaldero
