#pragma once
// Facts about the pattern the chart shows, solved in closed form from the two scroll-bar
// positions: where the main lobes and the nulls lie, how wide the lobes are at half power,
// the directivity and the front-to-back ratio.
//
// The quantity described is the drawn distance from the centre as a fraction of the outer
// radius, ρ(θ) = cos²(ψ/2) with ψ = kd·cos θ + δ, kd = p·π/1000 and δ = q/2000 (the same
// numbers the chart is drawn from). It is the array factor's power pattern of two isotropic
// aerials. Directions θ are in degrees in [0, 360), measured from the line through the aerials
// as in the exported table.

#include <optional>
#include <vector>

namespace pattern {

struct Analysis {
  // Every direction of the global maximum of ρ, ascending, each once.
  std::vector<double> mainLobesDeg;
  // The global maximum of ρ (0 to 1).
  double maxRho = 0;
  // Every direction where ρ is 0, ascending, each once.
  std::vector<double> nullsDeg;
  // For each main lobe, in the same order: the angle between the nearest directions on either
  // side where ρ is half its maximum. Absent where ρ never falls that low (and for a circle).
  std::optional<std::vector<double>> halfPowerBeamwidthDeg;
  // The array factor's directivity in dBi; absent only if ρ were 0 everywhere.
  std::optional<double> directivityDbi;
  // ρ at the first main lobe over ρ in the opposite direction, in dB; 0 for a circle, absent
  // where the opposite direction is a null.
  std::optional<double> frontToBackDb;
  // True when ρ does not depend on the direction (no distance); the lists are then empty.
  bool omnidirectional = false;
};

// Positions outside the scroll bars' ranges are brought into them, as the scroll bars would.
Analysis analyse(int p, int q);

// ρ at direction θ (degrees) for the positions p and q.
double rhoAt(int p, int q, double thetaDeg);

} // namespace pattern
