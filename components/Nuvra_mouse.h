#pragma once
// The toolkit's mouse state as the components' published mouse events report it. Each control
// publishes its own TShiftState and TMouseButton (layouts name them per control), with the
// same enumerators; the translation from Qt's event is the same for all of them.

#include <Qt>

namespace nuvra {

template <class Control>
typename Control::TShiftState shiftStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  typename Control::TShiftState s;
  s.setFlag(Control::ssShift, mods & Qt::ShiftModifier);
  s.setFlag(Control::ssAlt, mods & Qt::AltModifier);
  s.setFlag(Control::ssCtrl, mods & Qt::ControlModifier);
  s.setFlag(Control::ssLeft, buttons & Qt::LeftButton);
  s.setFlag(Control::ssRight, buttons & Qt::RightButton);
  s.setFlag(Control::ssMiddle, buttons & Qt::MiddleButton);
  return s;
}

// False for a button the events do not report (back, forward, ...).
template <class Control>
bool mouseButtonOf(Qt::MouseButton b, typename Control::TMouseButton &out) {
  switch (b) {
  case Qt::LeftButton: out = Control::mbLeft; return true;
  case Qt::RightButton: out = Control::mbRight; return true;
  case Qt::MiddleButton: out = Control::mbMiddle; return true;
  default: return false;
  }
}

} // namespace nuvra
