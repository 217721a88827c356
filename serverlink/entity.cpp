// The participant record: what a program or the server is, as it travels in messages.

#include "MarloDemon.h"

#include "MessageWindow.h"

QString TEntity::GetFileName() {
  if (FileName.isEmpty())
    Refresh();
  return FileName;
}

QString TEntity::GetTitle() {
  if (Title.isEmpty())
    Refresh();
  return Title;
}

void TEntity::Refresh() {
  if (!Demon)
    return;
  const std::unique_ptr<TEntity> known = Demon->QueryEntityByHandle(WindowHandle);
  if (known)
    Assign(known.get());
}

void TEntity::Assign(const TEntity *other) {
  if (!other || other == this)
    return;
  WindowHandle = other->WindowHandle;
  MutexHandle = other->MutexHandle;
  FileName = other->FileName;
  Title = other->Title;
}

void TEntity::WriteToStream(TMemoryStream &msg) {
  msg.WriteInteger(static_cast<std::int32_t>(WindowHandle));
  msg.WriteInteger(static_cast<std::int32_t>(MutexHandle));
  msg.WriteString(GetFileName());
  msg.WriteString(GetTitle());
}

void TEntity::ReadFromStream(TMemoryStream &msg) {
  const qint64 start = msg.Position();
  try {
    const auto window = static_cast<THandle>(msg.ReadInteger());
    const auto mutex = static_cast<THandle>(msg.ReadInteger());
    QString fileName = msg.ReadString();
    QString title = msg.ReadString();
    WindowHandle = window;
    MutexHandle = mutex;
    FileName = std::move(fileName);
    Title = std::move(title);
  } catch (const EStreamReadError &) {
    msg.SetPosition(start);
    throw;
  }
}

bool TEntity::WindowExists() const { return WindowHandle != 0 && platform::isWindow(WindowHandle); }

QString TEntity::GetMutexName() const {
  const qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
  return QStringLiteral("QL_") + FileName.mid(slash + 1);
}
