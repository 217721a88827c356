#pragma once
// The pattern facts as text: a JSON object for the report mode, and power in decibels.

#include <QByteArray>

namespace pattern {

// One JSON object: distance_wavelengths, phase_pi and the facts of analyse(p, q) under their
// snake_case names. Numbers are written with as many digits as read back the same double;
// absent values are null.
QByteArray reportJson(int p, int q);

// 10·log10(rho) with as many digits as read back the same double; empty where rho is 0 (or not
// a finite positive number).
QByteArray decibelText(double rho);

} // namespace pattern
