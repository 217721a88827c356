// The language table: reading records from a stream, lookups, and the generated file.
#include "Glossan2000.h"

#include "AsciiCase.h"
#include "Cp1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <utility>

namespace {

void Load(TGlossan2000 &g, QByteArray bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  g.LoadFromStream(buffer);
}

using Table = std::pair<QStringList, QStringList>;

Table Parse(const QByteArray &bytes) {
  TGlossan2000 g(QString{});
  Load(g, bytes);
  return {g.Keys(), g.Values()};
}

// The record rule applied to the whole file held in memory at once.
Table ParseInOnePiece(const QByteArray &bytes) {
  Table t;
  qsizetype from = 0;
  for (qsizetype end; (end = bytes.indexOf("|$$", from)) >= 0; from = end + 3) {
    const QString r = cp1252::decode(bytes.mid(from, end + 3 - from));
    const qsizetype open = r.indexOf(u'['), eq = r.indexOf(u"]="), bar = r.size() - 3;
    const qsizetype keyFrom = open + 1, textFrom = eq < 0 ? 1 : eq + 2;
    t.first.append(eq > keyFrom ? glossan::NormalizeKey(asciiLower(r.mid(keyFrom, eq - keyFrom)))
                                : QString());
    t.second.append(bar > textFrom ? glossan::NormalizeValue(r.mid(textFrom, bar - textFrom), u"")
                                   : QString());
  }
  return t;
}

} // namespace

TEST(GlossanTable, RecordsAcrossBlockEdgesParseAsInOnePiece) {
  // Every position of the end mark around the first two 256-byte block edges.
  for (int len = 0; len <= 560; ++len) {
    const QByteArray file = "[k]=" + QByteArray(len, 'v') + "|$$\r\n[Z]=w|$$";
    const Table t = Parse(file);
    ASSERT_EQ(t.first, QStringList({"k", "z"})) << len;
    ASSERT_EQ(t.second, QStringList({QString(len, u'v'), "w"})) << len;
    ASSERT_EQ(t, ParseInOnePiece(file)) << len;
  }
  // Random files made of the format's own characters.
  QRandomGenerator rng(1234);
  const char alphabet[] = "[]=|$$$aA \r\n";
  for (int round = 0; round < 300; ++round) {
    QByteArray file(rng.bounded(1, 1400), '\0');
    for (char &c : file)
      c = alphabet[rng.bounded(static_cast<int>(sizeof alphabet - 1))];
    ASSERT_EQ(Parse(file), ParseInOnePiece(file)) << file.toStdString();
  }
}

TEST(GlossanTable, EmptyFullBlockAndUnterminatedFiles) {
  TGlossan2000 g(QString{});
  Load(g, QByteArray());
  EXPECT_TRUE(g.Keys().isEmpty());
  EXPECT_EQ(g.Translate("Exit"), QStringLiteral("Exit"));

  // Exactly two blocks, the end mark being the last three bytes.
  QByteArray exact = "[a]=" + QByteArray(512 - 7, 'x') + "|$$";
  ASSERT_EQ(exact.size(), 512);
  EXPECT_EQ(Parse(exact).second, QStringList{QString(505, u'x')});
  // One full block with no end mark at all, and a last record without its end mark.
  EXPECT_TRUE(Parse(QByteArray(256, 'q')).first.isEmpty());
  EXPECT_EQ(Parse("[Exit]=Beenden|$$\r\n[Info]=Information").first, QStringList{"exit"});
  EXPECT_EQ(Parse("[Exit]=Beenden|$$ trailing words").second, QStringList{"Beenden"});
}

TEST(GlossanTable, ArbitraryBytesAndLineEnds) {
  static const char bytes[] = "[a\0b]=x\xffy\x81|$$";
  const Table t = Parse(QByteArray(bytes, sizeof bytes - 1));
  EXPECT_EQ(t.first, QStringList{QStringView(u"a\0b", 3).toString()});
  EXPECT_EQ(t.second, QStringList{QStringView(u"x\u00ffy\u0081").toString()});
  // A file written with bare LF reads as the same table as with CR LF.
  EXPECT_EQ(Parse("[One]=1|$$\n[Two\nlines]=2|$$\n"),
            Parse("[One]=1|$$\r\n[Two\r\nlines]=2|$$\r\n"));
  EXPECT_EQ(Parse("[One]=1|$$\n[Two\nlines]=2|$$\n").first, QStringList({"one", "two lines"}));
}

TEST(GlossanTable, MalformedRecordsAreStoredAsThePositionsGiveThem) {
  const Table t = Parse("Exit]=Beenden|$$\r\nno key at all|$$[a]=b]=c[d|$$]=x[y|$$");
  EXPECT_EQ(t.first, QStringList({"exit", "", "a", ""}));
  EXPECT_EQ(t.second, QStringList({"Beenden", " no key at all", "b]=c[d", "x[y"}));
}

TEST(GlossanTable, LookupsFoldAsciiCaseOnly) {
  TGlossan2000 g(QString{});
  Load(g, "[Exit]=Beenden|$$\r\n[\xc4rger]=upper|$$\r\n[\xe4rger]=lower|$$\r\n"
          "[Radiation\r\nPattern]=Diagramm|$$\r\n[Exit]=second|$$");
  EXPECT_EQ(g.Translate("EXIT"), QStringLiteral("Beenden"));
  EXPECT_EQ(g.Translate("exit"), QStringLiteral("Beenden")); // the first of two records wins
  EXPECT_EQ(g.Translate("Exit "), QStringLiteral("Exit "));
  EXPECT_EQ(g.Translate(QStringLiteral("\u00c4rger")), QStringLiteral("upper"));
  EXPECT_EQ(g.Translate(QStringLiteral("\u00e4rger")), QStringLiteral("lower"));
  EXPECT_EQ(g.Translate("RADIATION PATTERN"), QStringLiteral("Diagramm"));
  EXPECT_EQ(g.Translate("Radiation  Pattern"), QStringLiteral("Radiation  Pattern"));
  EXPECT_EQ(g.Keys().size(), g.Values().size());
}

TEST(GlossanTable, TextsExpandEscapesAndTheApplicationName) {
  TGlossan2000 g(QStringLiteral("Dipolix"));
  Load(g, "[a]=Line one\\nLine two|$$[b]=raw\r\nbreak|$$[c]=<%appname%> v1|$$"
          "[ \t d \t\t e  ]=  \\N kept  |$$");
  EXPECT_EQ(g.Translate("a"), QStringLiteral("Line one\r\nLine two"));
  EXPECT_EQ(g.Keys().last(), QStringLiteral("d e ")); // leading blanks go, trailing stay
  EXPECT_EQ(g.Values().last(), QStringLiteral("  \\N kept  "));
  EXPECT_EQ(g.Translate("b"), QStringLiteral("raw  break"));
  EXPECT_EQ(g.Translate("c"), QStringLiteral("Dipolix v1"));
  TGlossan2000 nameless(QString{});
  Load(nameless, "[c]=<%AppName%> v1|$$");
  EXPECT_EQ(nameless.Translate("c"), QStringLiteral(" v1"));
}

TEST(GlossanTable, ArgumentsFillInOrder) {
  TGlossan2000 g(QString{});
  Load(g, "[pair]=<%2%> and <%1%>|$$");
  EXPECT_EQ(g.Translate("pair", {"A", "B"}), QStringLiteral("B and A"));
  EXPECT_EQ(g.Translate("pair", {"A"}), QStringLiteral("<%2%> and A"));
  // An argument holding a later placeholder is filled by the later substitution.
  EXPECT_EQ(g.Translate("pair", {"<%2%>", "B"}), QStringLiteral("B and B"));
  // A key without an entry comes back with its arguments filled in.
  EXPECT_EQ(g.Translate("Value <%1%>", {"7"}), QStringLiteral("Value 7"));
}

TEST(GlossanTable, OnTranslatedSeesFoundKeysOnly) {
  TGlossan2000 g(QString{});
  Load(g, "[Exit]=Beenden|$$");
  QStringList seen;
  g.OnTranslated = [&](TGlossan2000 &sender, const QString &key, QString &text) {
    EXPECT_EQ(&sender, &g);
    seen.append(key);
    text += QStringLiteral("!");
  };
  EXPECT_EQ(g.Translate("EXIT"), QStringLiteral("Beenden!"));
  EXPECT_EQ(g.Translate("Info"), QStringLiteral("Info"));
  EXPECT_EQ(seen, QStringList{"EXIT"});
}

TEST(GlossanTable, StreamsThatAreClosedSequentialOrReloaded) {
  // A device that cannot step back, like a pipe.
  class Pipe : public QIODevice {
  public:
    explicit Pipe(QByteArray bytes) : data(std::move(bytes)) {}
    bool isSequential() const override { return true; }
    qint64 readData(char *out, qint64 max) override {
      const qint64 n = std::min<qint64>(max, data.size() - at);
      std::memcpy(out, data.constData() + at, static_cast<std::size_t>(n));
      at += n;
      return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

  private:
    QByteArray data;
    qint64 at = 0;
  };
  Pipe pipe("[a]=1|$$[b]=2|$$");
  pipe.open(QIODevice::ReadOnly);
  TGlossan2000 g(QString{});
  g.AutoCreateItlFile = true;
  g.Translate("missing");
  g.LoadFromStream(pipe);
  EXPECT_EQ(g.Keys(), QStringList({"a", "b"}));

  QByteArray other("[c]=3|$$");
  QBuffer closed(&other); // not opened by the caller
  g.LoadFromStream(closed);
  EXPECT_EQ(g.Keys(), QStringList{"c"}); // replaced, not appended
  EXPECT_EQ(g.Translate("a"), QStringLiteral("a"));
  EXPECT_EQ(g.MissingEntries.size(), 2); // "missing" and "a"; loading leaves the list alone
  g.AutoCreateItlFile = false;
}

TEST(GlossanTable, MissingEntriesIgnoreCaseOfRepeatedKeys) {
  TGlossan2000 g(QString{});
  g.Translate("Exit");
  EXPECT_TRUE(g.MissingEntries.isEmpty());
  g.AutoCreateItlFile = true;
  g.Translate("Exit");
  g.Translate("Exit");
  g.Translate("EXIT");
  g.Translate("Value <%1%>", {"3"});
  EXPECT_EQ(g.MissingEntries, QStringList({"[Exit]=Exit|$$", "[Value <%1%>]=Value <%1%>|$$"}));
  // The list is the caller's to edit; what it holds now decides, not what was added before.
  g.MissingEntries.removeFirst();
  g.MissingEntries.append("[INFO]=info|$$");
  g.Translate("Info");
  g.Translate("EXIT");
  EXPECT_EQ(g.MissingEntries,
            QStringList({"[Value <%1%>]=Value <%1%>|$$", "[INFO]=info|$$", "[EXIT]=EXIT|$$"}));
  g.MissingEntries.clear();
  g.Translate("Exit");
  EXPECT_EQ(g.MissingEntries, QStringList{"[Exit]=Exit|$$"});
  g.AutoCreateItlFile = false;
}

TEST(GlossanTable, FilesBeyondTheCapsAreRefusedWhole) {
  const QByteArray first = "[a]=b|$$";
  const QByteArray emptyRecord = "|$$";
  const QByteArray atByteCap = first + QByteArray(glossan::kMaxFileBytes - first.size(), 'q');
  const QByteArray atRecordCap = first + emptyRecord.repeated(glossan::kMaxRecords - 1);
  const struct {
    const char *what;
    QByteArray file;
    qsizetype records; // -1: refused
  } cases[] = {
      {"bytes at the cap", atByteCap, 1},
      {"one byte more", atByteCap + 'q', -1},
      {"records at the cap", atRecordCap, glossan::kMaxRecords},
      {"one record more", atRecordCap + emptyRecord, -1},
  };
  for (const auto &c : cases) {
    TGlossan2000 g(QString{});
    Load(g, "[old]=table|$$");
    Load(g, c.file);
    if (c.records < 0) {
      EXPECT_TRUE(g.Keys().isEmpty()) << c.what;
      EXPECT_TRUE(g.Values().isEmpty()) << c.what;
      EXPECT_EQ(g.Translate("a"), QStringLiteral("a")) << c.what;
      EXPECT_FALSE(g.loadError().isEmpty()) << c.what;
    } else {
      EXPECT_EQ(g.Keys().size(), c.records) << c.what;
      EXPECT_EQ(g.Translate("a"), QStringLiteral("b")) << c.what;
      EXPECT_TRUE(g.loadError().isEmpty()) << c.what;
    }
  }
}

namespace {

class InTempDir : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
  }
  void TearDown() override { QDir::setCurrent(old); }
  static QByteArray ReadAll(const QString &name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QTemporaryDir dir;
  QString old;
};

} // namespace

TEST_F(InTempDir, GeneratedFileListsMissingKeysThenTheTable) {
  {
    TGlossan2000 g(QString{});
    g.programPath = QStringLiteral("/opt/somewhere/dipolix");
    Load(g, "[Exit]=Beenden|$$\r\n[Info]=Zeile 1\\nZeile 2 \xfc|$$");
    g.AutoCreateItlFile = true;
    g.Translate("Radiation Pattern");
    g.Translate("Exit");
    g.Translate(QStringLiteral("\u00c4nderung"));
    g.Translate("bare\nfeed"); // a lone line break cannot stay inside one record
  }
  const QByteArray written = ReadAll("dipolix.itl");
  EXPECT_EQ(written, QByteArray("[Radiation Pattern]=Radiation Pattern|$$\r\n"
                                "[\xc4nderung]=\xc4nderung|$$\r\n"
                                "[bare feed]=bare feed|$$\r\n"
                                "[exit]=Beenden|$$\r\n"
                                "[info]=Zeile 1\\nZeile 2 \xfc|$$\r\n"));
  // The file reads back as the table it was written from.
  EXPECT_EQ(Parse(written).second, QStringList({"Radiation Pattern", "\u00c4nderung", "bare feed",
                                                "Beenden", "Zeile 1\r\nZeile 2 \u00fc"}));

  // No file without the switch, and the existing one stays as it was.
  {
    TGlossan2000 quiet(QString{});
    quiet.programPath = "/opt/dipolix";
    quiet.Translate("x");
  }
  EXPECT_EQ(ReadAll("dipolix.itl"), written);
}

TEST_F(InTempDir, SymbolicLinksAreNeverWrittenThrough) {
  {
    QFile victim("victim.txt");
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("precious");
  }
  ASSERT_TRUE(QFile::link("victim.txt", "program.itl"));
  ASSERT_TRUE(QFile::link("nowhere.txt", "dangling.itl"));
  for (const char *name : {"program.itl", "dangling.itl"}) {
    QString error;
    EXPECT_FALSE(glossan::WriteItlFile(name, {"[a]=b|$$"}, &error)) << name;
    EXPECT_TRUE(error.contains("symbolic link")) << qPrintable(error);
  }
  static QString warned;
  warned.clear();
  const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType, const QMessageLogContext &, const QString &text) { warned += text; });
  { // the same through the destructor, which says why
    TGlossan2000 g(QString{});
    g.programPath = QStringLiteral("/usr/lib/program.exe");
    g.AutoCreateItlFile = true;
    g.Translate("missing");
  }
  qInstallMessageHandler(previous);
  EXPECT_TRUE(warned.contains("not written") && warned.contains("symbolic link"))
      << qPrintable(warned);
  EXPECT_EQ(ReadAll("victim.txt"), QByteArray("precious"));
  EXPECT_TRUE(QFileInfo("program.itl").isSymLink());
  EXPECT_FALSE(QFileInfo::exists("nowhere.txt"));
  EXPECT_EQ(QDir().entryList(QDir::Files | QDir::System),
            QStringList({"dangling.itl", "program.itl", "victim.txt"}));
}

TEST_F(InTempDir, FailedWriteKeepsTheOldFile) {
  {
    QFile previousFile("program.itl");
    ASSERT_TRUE(previousFile.open(QIODevice::WriteOnly));
    previousFile.write("[keep]=me|$$\r\n");
  }
  // Files may not grow beyond 16 bytes for a moment: every write of the new file fails,
  // whoever runs the test (root included).
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &tiny);
  {
    TGlossan2000 g(QString{});
    g.programPath = QStringLiteral("/usr/lib/program.exe");
    Load(g, "[a]=" + QByteArray(4000, 'x') + "|$$");
    g.AutoCreateItlFile = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(ReadAll("program.itl"), QByteArray("[keep]=me|$$\r\n"));
  EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"program.itl"}); // no leftovers
}
