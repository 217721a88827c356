// quillon-server: the coordinating server for programs of the family, on this machine.
// See README.md beside this file.

#include "QuillonServer.h"

#include "MessageWindow.h"
#include "Registry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};
// Set by the handler so that a send waiting for a client that never answers gives up and the
// event loop gets to see the signal.
volatile std::sig_atomic_t gSignalled = 0;

void onSignal(int) {
  gSignalled = 1;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

const QString kDemonGroup = QString::fromLatin1(platform::kRegistryDemonGroup);
const QString kViewerHandle = QString::fromLatin1(platform::kRegistryViewerHandleKey);

// A window is reachable only by its own user, so a server that sudo runs as root would
// publish a handle that the invoking user's programs can never reach.
bool publishingForAnotherUser() {
  const QByteArray sudoUid = qgetenv("SUDO_UID");
  return ::geteuid() == 0 && !sudoUid.isEmpty() && sudoUid != "0";
}

// An option with its help text and, when it takes one, the name of its value.
QCommandLineOption option(const char *name, const char *help, const char *valueName = "") {
  return QCommandLineOption(QStringList{QString::fromLatin1(name)}, QString::fromLatin1(help),
                            QString::fromLatin1(valueName));
}

// The command line the server understands.
struct CommandLineOptions {
  QCommandLineOption handle =
      option("handle", "Handle text that ends the server's window class and name (default empty).",
             "text");
  QCommandLineOption files = option(
      "files", "Folder the server serves files from (default: the current folder).", "folder");
  QCommandLineOption workArea =
      option("work-area", "Value of MarloWorkArea (default: the files folder with a trailing /).",
             "folder");
  QCommandLineOption homeDir = option(
      "home-dir", "Value of MarloHomeDir (default: the files folder with a trailing /).", "folder");
  QCommandLineOption param =
      option("param", "A further server parameter NAME=VALUE (repeatable).", "NAME=VALUE");
  QCommandLineOption publish =
      option("publish", "Publish the handle text as \"ViewerHandle\" in the system settings "
                        "store, so that programs find the server without /serverhandle=.");
  QCommandLineOption verbose =
      option("verbose", "Log every message received (code, sender window, body size).");
#ifdef QUILLON_SERVER_TESTING
  // Fault injection for the tests; only the tests' own build of the server has it.
  QCommandLineOption dieOn =
      option("test-die-on",
             "Testing: kill this server (SIGKILL) on receiving a request of this code.", "code");
  QCommandLineOption quitDuring =
      option("test-quit-during",
             "Testing: send the quit message to the requester while answering this code.", "code");
#endif

  void addTo(QCommandLineParser &parser) const {
    parser.setApplicationDescription(
        QStringLiteral("Coordinating server for the programs of the family. Arguments after the "
                       "options form a program to start under this server (it gets "
                       "/serverhandle=<handle text> appended)."));
    parser.addHelpOption();
    for (const auto *o : {&handle, &files, &workArea, &homeDir, &param, &publish, &verbose})
      parser.addOption(*o);
#ifdef QUILLON_SERVER_TESTING
    parser.addOption(dieOn);
    parser.addOption(quitDuring);
#endif
    parser.addPositionalArgument(QStringLiteral("program"),
                                 QStringLiteral("Program (with its arguments) to start."),
                                 QStringLiteral("[-- program args...]"));
  }
};

// The folder served, its parameters and the testing aids; none (and the reason on stderr)
// when the command line asks for something the server cannot do.
std::optional<QuillonServerOptions> serverOptions(const QCommandLineParser &parser,
                                                  const CommandLineOptions &cl) {
  QuillonServerOptions options;
  options.handleText = parser.value(cl.handle);
  const QString folder = parser.isSet(cl.files) ? parser.value(cl.files) : QDir::currentPath();
  const QFileInfo folderInfo(folder);
  if (!folderInfo.isDir()) {
    QTextStream(stderr) << "quillon-server: not a folder: " << folder << "\n";
    return std::nullopt;
  }
  options.filesFolder = folderInfo.absoluteFilePath();
  const QString folderSlash = options.filesFolder.endsWith(QLatin1Char('/'))
                                  ? options.filesFolder
                                  : options.filesFolder + QLatin1Char('/');
  options.params.insert(QStringLiteral("MarloWorkArea"),
                        parser.isSet(cl.workArea) ? parser.value(cl.workArea) : folderSlash);
  options.params.insert(QStringLiteral("MarloHomeDir"),
                        parser.isSet(cl.homeDir) ? parser.value(cl.homeDir) : folderSlash);
  for (const QString &p : parser.values(cl.param)) {
    const qsizetype eq = p.indexOf(QLatin1Char('='));
    if (eq <= 0) {
      QTextStream(stderr) << "quillon-server: --param needs NAME=VALUE, got: " << p << "\n";
      return std::nullopt;
    }
    options.params.insert(p.left(eq), p.mid(eq + 1));
  }
  options.verbose = parser.isSet(cl.verbose);
#ifdef QUILLON_SERVER_TESTING
  options.dieOnCode = parser.value(cl.dieOn).toInt();
  options.quitDuringCode = parser.value(cl.quitDuring).toInt();
#endif
  if (parser.isSet(cl.publish) && publishingForAnotherUser()) {
    QTextStream(stderr) << "quillon-server: --publish under sudo would announce a server that "
                           "only root's programs can reach; run the server as the user of the "
                           "programs, with write access to "
                        << platform::systemSettingsFilePath() << " (see README)\n";
    return std::nullopt;
  }
  return options;
}

// SIGTERM and SIGINT write a byte to gSignalPipe and interrupt a send that waits.
bool installSignalHandlers() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
    QTextStream(stderr) << "quillon-server: cannot set up signal handling\n";
    return false;
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  platform::setSendInterruptFlag(&gSignalled);
  return true;
}

// Registers the window; false (and the reason on the log or stderr) when it cannot.
bool startServer(QuillonServer &server) {
  try {
    return server.start();
  } catch (const std::exception &e) {
    QTextStream(stderr) << "quillon-server: " << e.what() << "\n";
    return false;
  }
}

bool publishHandle(const QString &handleText) {
  const bool published = platform::writeSystemString(kDemonGroup, kViewerHandle, handleText);
  if (!published)
    QTextStream(stderr) << "quillon-server: could not write " << platform::systemSettingsFilePath()
                        << "\n";
  return published;
}

// Takes the handle back out of the settings store unless another server has replaced it.
void withdrawHandle(const QString &handleText) {
  if (platform::readSystemString(kDemonGroup, kViewerHandle) == handleText)
    platform::writeSystemString(kDemonGroup, kViewerHandle, QString());
}

// The program given after the options, told which server to use.
void startProgram(const QStringList &program, const QString &handleText) {
  if (program.isEmpty())
    return;
  QStringList args = program.mid(1);
  args.append(QStringLiteral("/serverhandle=") + handleText);
  qint64 pid = 0;
  if (!QProcess::startDetached(program.first(), args, QString(), &pid))
    QTextStream(stderr) << "quillon-server: could not start " << program.first() << "\n";
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quillon-server"));
  QTextStream out(stdout);

  QCommandLineParser parser;
  const CommandLineOptions cl;
  cl.addTo(parser);
  parser.process(app);
  const std::optional<QuillonServerOptions> options = serverOptions(parser, cl);
  if (!options)
    return 2;
  if (!installSignalHandlers())
    return 1;

  QuillonServer server(*options, out);
  if (!startServer(server))
    return 1;
  const bool published = parser.isSet(cl.publish) && publishHandle(options->handleText);

  QSocketNotifier signalNotifier(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
    signalNotifier.setEnabled(false);
    gSignalled = 0; // the quit messages below are sent within their own time budget
    out << "quillon-server: shutting down, telling " << server.clients().size()
        << " client(s) to quit\n";
    out.flush();
    server.shutDown();
    QCoreApplication::quit();
  });
  QTimer reaper;
  QObject::connect(&reaper, &QTimer::timeout, &app, [&] { server.reapChildren(); });
  reaper.start(2000);

  out << "quillon-server: ready, handle text \"" << options->handleText << "\", window "
      << server.window() << ", files from " << options->filesFolder << "\n";
  out.flush();
  startProgram(parser.positionalArguments(), options->handleText);

  const int rc = QCoreApplication::exec();
  if (published)
    withdrawHandle(options->handleText);
  return rc;
}
