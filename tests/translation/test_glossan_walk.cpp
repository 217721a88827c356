// Translating object trees: marked texts of real widgets, memo lines, collections and the
// walk's order and limits.
#include "Glossan2000.h"

#include <QBuffer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Like the program's memo: its text is published as lines; the whole text is read-only.
class LinesMemo : public QPlainTextEdit {
  Q_OBJECT
  Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
  Q_PROPERTY(QString plainText READ toPlainText)
public:
  using QPlainTextEdit::QPlainTextEdit;
  QStringList Lines() const { return toPlainText().split(u'\n'); }
  void SetLines(const QStringList &l) { setPlainText(l.join(u'\n')); }
};

// Like the numeric read-outs: plain string properties of their own.
class Readout : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString LeftText MEMBER LeftText)
  Q_PROPERTY(QString RightText MEMBER RightText)
  Q_PROPERTY(QString Status READ Status) // read-only: never written
  Q_PROPERTY(QString Name MEMBER Name)   // the layout's name, as objectName: never translated
public:
  using QWidget::QWidget;
  QString LeftText, RightText, Name;
  QString Status() const { return QStringLiteral("GL_Exit"); }
};

class Scale : public QObject {
  Q_OBJECT
  Q_CLASSINFO(GLOSSAN_KIND, GLOSSAN_KIND_SCALEPROPS)
  Q_PROPERTY(QString Title MEMBER Title)
  Q_PROPERTY(QObject *Self READ Self) // a cycle the walk must not follow forever
public:
  QString Title;
  QObject *Self() { return this; }
};
class DerivedScale : public Scale { // the kind is inherited
  Q_OBJECT
};

class Column : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER Caption)
  Q_PROPERTY(QObject *Axis READ Axis)
  Q_PROPERTY(QObject *Owner MEMBER Owner)
public:
  QString Caption;
  DerivedScale axis;
  QObject *Owner = nullptr;
  QObject *Axis() { return &axis; }
};

class Columns : public QObject {
  Q_OBJECT
  Q_CLASSINFO(GLOSSAN_KIND, GLOSSAN_KIND_COLLECTION)
public:
  std::vector<std::unique_ptr<Column>> items;
  Q_INVOKABLE int count() const { return static_cast<int>(items.size()); }
  Q_INVOKABLE QObject *item(int i) const { return items.at(static_cast<std::size_t>(i)).get(); }
};

class ListView : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QObject *Columns READ GetColumns)
  Q_PROPERTY(QObject *Buddy MEMBER Buddy) // a reference to another control: not entered
public:
  using QWidget::QWidget;
  Columns columns;
  QObject *Buddy = nullptr;
  QObject *GetColumns() { return &columns; }
};

std::unique_ptr<TGlossan2000> Translator(QByteArray table) {
  auto g = std::make_unique<TGlossan2000>(QString{});
  QBuffer b(&table);
  b.open(QIODevice::ReadOnly);
  g->LoadFromStream(b);
  return g;
}

const QByteArray kTable = "[Exit]=Beenden|$$\r\n[Radiation Pattern of two Aerials]=Diagramm|$$\r\n"
                          "[MMInfo]=Erste Zeile\\nZweite Zeile|$$\r\n[Lambda]=Wellen|$$\r\n"
                          "[Info]=Information|$$\r\n";

} // namespace

TEST(GlossanWalk, MarkedCaptionsAndTitlesOfOwnedWidgets) {
  auto g = Translator(kTable);
  QWidget form;
  form.setObjectName("GL_Exit");
  form.setWindowTitle("GL_Radiation Pattern of two Aerials");
  auto *exit = new QPushButton("GL_Exit", &form);
  auto *plain = new QLabel("Exit", &form);
  auto *lower = new QLabel("gl_Exit", &form);
  auto *unknown = new QLabel("GL_Unknown text", &form);
  auto *bare = new QLabel("GL_", &form);
  auto *panel = new QWidget(&form);
  auto *nested = new QLabel("GL_Info", panel);
  nested->setToolTip("GL_Exit");
  auto *readout = new Readout(&form);
  readout->LeftText = "GL_Lambda";
  readout->RightText = "Pi";
  readout->Name = "GL_Exit";

  g->TranslateComponent(&form);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Diagramm"));
  EXPECT_EQ(form.objectName(), QStringLiteral("GL_Exit"));
  EXPECT_EQ(exit->text(), QStringLiteral("Beenden"));
  EXPECT_EQ(plain->text(), QStringLiteral("Exit"));
  EXPECT_EQ(lower->text(), QStringLiteral("gl_Exit"));
  EXPECT_EQ(unknown->text(), QStringLiteral("Unknown text"));
  EXPECT_EQ(bare->text(), QString());
  EXPECT_EQ(nested->text(), QStringLiteral("Information"));
  EXPECT_EQ(nested->toolTip(), QStringLiteral("Beenden"));
  EXPECT_EQ(readout->LeftText, QStringLiteral("Wellen"));
  EXPECT_EQ(readout->RightText, QStringLiteral("Pi"));
  EXPECT_EQ(readout->Name, QStringLiteral("GL_Exit"));

  // A second pass finds no more markers and changes nothing.
  g->AutoCreateItlFile = true;
  g->TranslateComponent(&form);
  EXPECT_EQ(unknown->text(), QStringLiteral("Unknown text"));
  EXPECT_EQ(exit->text(), QStringLiteral("Beenden"));
  EXPECT_TRUE(g->MissingEntries.isEmpty());
  g->AutoCreateItlFile = false;
}

TEST(GlossanWalk, MemoLinesFromLastToFirst) {
  auto g = Translator(kTable);
  LinesMemo memo;
  memo.SetLines({"GL_MMInfo", "plain", "GL_Exit", "GL_"});
  g->TranslateComponent(&memo);
  // Only the lines are translated: the whole text, redeclared read-only, is not.
  EXPECT_EQ(memo.Lines(), QStringList({"Erste Zeile", "Zweite Zeile", "plain", "Beenden", ""}));
}

TEST(GlossanWalk, CollectionsAndScaleSettingsAreEntered) {
  auto g = Translator(kTable);
  ListView view;
  QLabel elsewhere("GL_Exit");
  view.Buddy = &elsewhere;
  for (const char *caption : {"GL_Exit", "Exit", "GL_Info"}) {
    view.columns.items.push_back(std::make_unique<Column>());
    view.columns.items.back()->Caption = caption;
    view.columns.items.back()->axis.Title = "GL_Lambda";
    view.columns.items.back()->Owner = &view.columns;
  }
  QObjectList seen;
  g->OnTranslateObject = [&](TGlossan2000 &, QObject *obj, bool &) { seen.append(obj); };
  g->TranslateObject(&view);
  EXPECT_EQ(view.columns.items[0]->Caption, QStringLiteral("Beenden"));
  EXPECT_EQ(view.columns.items[1]->Caption, QStringLiteral("Exit"));
  EXPECT_EQ(view.columns.items[2]->Caption, QStringLiteral("Information"));
  EXPECT_EQ(view.columns.items[2]->axis.Title, QStringLiteral("Wellen"));
  EXPECT_EQ(elsewhere.text(), QStringLiteral("GL_Exit"));
  // The view, then each item followed by its scale settings.
  ASSERT_EQ(seen.size(), 7);
  EXPECT_EQ(seen[0], &view);
  EXPECT_EQ(seen[1], view.columns.items[0].get());
  EXPECT_EQ(seen[2], &view.columns.items[0]->axis);
  // Entered objects are left again: a later walk enters them anew.
  view.columns.items[2]->axis.Title = "GL_Info";
  g->TranslateObject(&view);
  EXPECT_EQ(view.columns.items[2]->axis.Title, QStringLiteral("Information"));
}

TEST(GlossanWalk, DepthFirstAndDoTranslateFalse) {
  auto g = Translator(kTable);
  QWidget form;
  form.setObjectName("form");
  form.setWindowTitle("GL_Exit");
  auto *a = new QLabel("GL_Exit", &form);
  a->setObjectName("a");
  auto *a1 = new QLabel("GL_Info", a);
  a1->setObjectName("a1");
  auto *b = new QLabel("GL_Info", &form);
  b->setObjectName("b");
  QStringList order;
  g->OnTranslateObject = [&](TGlossan2000 &sender, QObject *obj, bool &doTranslate) {
    EXPECT_EQ(&sender, g.get());
    order.append(obj->objectName());
    if (obj == &form || obj == a1)
      doTranslate = false;
  };
  g->TranslateComponent(&form);
  EXPECT_EQ(order, QStringList({"form", "a", "a1", "b"}));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("GL_Exit"));
  EXPECT_EQ(a->text(), QStringLiteral("Beenden"));
  EXPECT_EQ(a1->text(), QStringLiteral("GL_Info"));
  EXPECT_EQ(b->text(), QStringLiteral("Information"));
}

TEST(GlossanWalk, UntranslatedMarksFeedTheMissingEntries) {
  auto g = Translator(kTable);
  g->AutoCreateItlFile = true;
  QWidget form;
  form.setWindowTitle("GL_New Title");
  new QLabel("GL_Exit", &form);
  new QLabel("GL_New Title", &form);
  g->TranslateComponent(&form);
  EXPECT_EQ(g->MissingEntries, QStringList{"[New Title]=New Title|$$"});
  g->AutoCreateItlFile = false;
}

TEST(GlossanWalk, ChildrenDeletedOnTheWayAreSkipped) {
  auto g = Translator(kTable);
  QWidget form;
  auto *first = new QLabel("GL_Exit", &form);
  QPointer<QLabel> second = new QLabel("GL_Exit", &form);
  g->OnTranslateObject = [&](TGlossan2000 &, QObject *obj, bool &) {
    if (obj == first)
      delete second.data();
  };
  g->TranslateComponent(&form);
  EXPECT_TRUE(second.isNull());
  EXPECT_EQ(first->text(), QStringLiteral("Beenden"));
}

#include "test_glossan_walk.moc"
