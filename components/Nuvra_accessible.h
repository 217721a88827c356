#pragma once
// What assistive tools (screen readers) learn about the components, through Qt's
// accessibility API: the read-out is a text whose value is what it shows, the polar chart a
// graphic whose description its owner sets, the hyperlink label a link that can be pressed.

#include <QString>

class TNumLab;

namespace nuvra {

// Installs the accessibility factory of the components; safe to call more than once.
void installAccessibility();

// What the read-out shows, as one text: the value and the right-hand text ("0.500 Lambda").
QString spokenReadout(const TNumLab &label);

} // namespace nuvra
