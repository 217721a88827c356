#pragma once
// The information memo: a multi-line text box whose text is published as a list of lines,
// so that the translator replaces marked lines one by one.

#include <QPlainTextEdit>
#include <QStringList>

class TMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  // Redeclared read-only: the whole text is not a translatable string of its own, only its
  // lines are.
  Q_PROPERTY(QString plainText READ toPlainText)

public:
  explicit TMemo(QWidget *parent = nullptr);

  QStringList Lines() const;
  void SetLines(const QStringList &lines);
};
