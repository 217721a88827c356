#pragma once
// The simulation: the horizontal radiation pattern of two equal vertical aerials,
// R(θ) = cos(kd·cos θ + δ), and its plotting onto the polar chart.
//
// The two scroll-bar positions are the whole state: p (distance, 0..10000, p/2000
// wavelengths) and q (phase difference, 0..6283, q/2000 radians).

class TPolChart;

namespace pattern {

inline constexpr int kDistanceMax = 10000;
inline constexpr int kPhaseMax = 6283;

// The read-out values: distance in wavelengths, phase difference in units of π.
double distanceInWavelengths(int p);
double phaseInPi(int q);

// Angular resolution factor: 1/b degree between points, b = p div 1000 + 1.
int resolution(int p);

// R(θ) for the i-th point of a pattern with resolution b (θ = i·π/(180·b)).
double valueAt(int p, int q, int i);

// Empties the chart's list and fills it with the red dotted reference circle (R = √2 − 1),
// a move to θ = 0 and 360·b + 1 line segments once around the circle, then shows it:
// 360·b + 3 items, one repaint.
void plot(TPolChart &chart, int p, int q);

// The power view: the radius is 10·log10(ρ) with ρ = (1 + R)/2, from kDecibelFloor at the
// centre to 0 dB at the rim. Values below the floor are drawn at the centre.
inline constexpr double kDecibelFloor = -30.0;
inline constexpr double kDecibelRho = 0.001; // ρ at the floor
inline constexpr double kHalfPowerDb = -3.0;

// 10·log10((1 + R)/2), kDecibelFloor where that lies below the floor (a null included).
double decibels(double r);

// As plot, in decibels: grey dotted circles at −20 and −10 dB, the red dotted half-power
// circle at −3 dB, then the curve; 360·b + 5 items, one repaint.
void plotDecibels(TPolChart &chart, int p, int q);

} // namespace pattern
