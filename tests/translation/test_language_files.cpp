// The program's own language files: every key it asks for, and Windows-1252 umlauts.
#include "Glossan2000.h"

#include "AsciiCase.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include "language_files.h"

namespace {

const QStringList kNeeded = {"AppIconName",
                             "HomePageURL",
                             "$dlglanguage$",
                             "Radiation Pattern of two Aerials",
                             "in phase",
                             "antiphase",
                             "Phase Difference",
                             "Distance between Aerials:",
                             "Lambda",
                             "Info",
                             "Exit",
                             "About",
                             "OK",
                             "HomePage",
                             "MMInfo",
                             "Pattern facts",
                             "Power in dB",
                             "Direction",
                             "Power",
                             "Main lobes",
                             "Maximum power",
                             "Nulls",
                             "Half-power beamwidth",
                             "Directivity",
                             "Front-to-back ratio",
                             "none",
                             "all directions alike",
                             "Close"};

void CheckFile(const char *name, const char *language) {
  SCOPED_TRACE(name);
  QByteArray bytes = sourceLanguageFile(name);
  // One record per line, CR LF, nothing before or after.
  const QList<QByteArray> lines = bytes.split('\n');
  EXPECT_TRUE(lines.last().isEmpty());
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_TRUE(lines[i].startsWith('[') && lines[i].endsWith("|$$\r")) << lines[i].data();
    EXPECT_EQ(lines[i].count("|$$"), 1);
  }
  EXPECT_FALSE(bytes.contains("\xc3")) << "UTF-8 instead of Windows-1252";

  TGlossan2000 g(QString{});
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  g.LoadFromStream(buffer);
  EXPECT_EQ(g.Keys().size(), lines.size() - 1);
  for (const QString &key : kNeeded)
    EXPECT_TRUE(g.Keys().contains(asciiLower(key))) << key.toStdString();
  EXPECT_EQ(g.Translate("$dlglanguage$"), QLatin1String(language));
  EXPECT_EQ(g.Translate("AppIconName"), QStringLiteral("dipolix.png"));
  EXPECT_TRUE(g.Translate("HomePageURL").startsWith("http://"));
  // A caption "HomePage" would hide the home-page link.
  EXPECT_NE(g.Translate("HomePage"), QStringLiteral("HomePage"));
  EXPECT_FALSE(g.Translate("HomePage").isEmpty());
  // The memo text comes in paragraphs.
  EXPECT_GE(g.Translate("MMInfo").count(QStringLiteral("\r\n")), 2);
}

} // namespace

TEST(LanguageFiles, EnglishHasEveryKey) { CheckFile("english.itl", "lgenglish"); }

TEST(LanguageFiles, GermanHasEveryKeyAndItsUmlauts) {
  CheckFile("german.itl", "lggerman");
  QByteArray bytes = sourceLanguageFile("german.itl");
  TGlossan2000 g(QString{});
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  g.LoadFromStream(buffer);
  EXPECT_EQ(g.Translate("About"), QStringLiteral("\u00dcber Dipolix"));
  EXPECT_EQ(g.Translate("EXIT"), QStringLiteral("&Beenden")); // with its mnemonic
  const QString info = g.Translate("MMInfo");
  EXPECT_TRUE(info.contains(QStringLiteral("Wellenl\u00e4ngen")));
  EXPECT_TRUE(info.contains(QStringLiteral("\u00e4u\u00dferer")));
  EXPECT_TRUE(info.contains(QStringLiteral("0\u00b0\u2013180\u00b0")));
}
