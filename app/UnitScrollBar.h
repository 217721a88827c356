#pragma once
// A horizontal scroll bar that takes keyboard focus, shows it, and knows what its positions
// mean to the user: the value in the user's unit ("0.500 wavelengths") for assistive tools.

#include <QScrollBar>
#include <QString>

class UnitScrollBar : public QScrollBar {
  Q_OBJECT
  Q_PROPERTY(QString Unit READ unit WRITE setUnit)

public:
  // `unitPerPosition`: the user's value of one position step; `unit`: the unit's name as
  // spoken after the number (may start with "GL_" to be translated with the window).
  UnitScrollBar(double unitPerPosition, const QString &unit, QWidget *parent = nullptr);

  double userValue() const { return value() * m_unitPerPosition; }
  double userMaximum() const { return maximum() * m_unitPerPosition; }
  double userStep() const { return singleStep() * m_unitPerPosition; }
  // Moves to the position nearest to a value in the user's unit, clamped to the range.
  void setUserValue(double v);
  // The value as spoken: three decimals and the unit.
  QString userText() const;

  QString unit() const { return m_unit; }
  void setUnit(const QString &unit) { m_unit = unit; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  double m_unitPerPosition;
  QString m_unit;
};
