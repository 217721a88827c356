#pragma once
// The one way the program writes a file. Whatever sits at the path is treated as the user
// would expect from a careful program:
//   "-"                         standard output
//   nothing there               a new file, appearing only when complete
//   a regular file              replaced atomically; its permission bits (and, for root, its
//                               owner) carry over; a failed write leaves it as it was
//   a symbolic link             followed; its target (created when missing) is handled as above
//                               (or, for files the program names itself in a folder others may
//                               share, refused: Links::Refuse)
//   a FIFO or character device  written to directly, never replaced
//   anything else               refused, nothing changed
// The temporary file lies beside the target under an unpredictable name, is created
// exclusively (a planted file or link under that name is never opened) and its name is never
// longer than the folder allows, so the longest name the file system takes still works.
// Paths are raw bytes: a name that is not valid UTF-8 reaches the system unchanged.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class SafeWriter {
public:
  enum class Links { Follow, Refuse };

  // Empty when `path` can be written as above, else a one-line reason naming the path.
  // Nothing is created or changed.
  static QString check(const QByteArray &path, Links links = Links::Follow);

  // Writes `bytes` to `path`. Empty on success, else a one-line reason naming the path;
  // on failure nothing at the path has changed (a stream may have received part).
  static QString write(const QByteArray &path, QByteArrayView bytes, Links links = Links::Follow);

  // Command-line text and path bytes, without loss: bytes that are not UTF-8 are carried
  // in the text as U+DC80..U+DCFF and come back as the same bytes.
  static QString textFromArgument(const QByteArray &argument);
  static QByteArray pathFromText(const QString &text);
};
