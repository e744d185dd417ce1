#include "tilebay/app/testing/e2e_fixture.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"

namespace tilebay::testing {

namespace {

const QString kSessionBus = S("tilebay-e2e-session");
const QString kAccessibilityBus = S("tilebay-e2e-accessibility");
const QString kRoot = S("/org/a11y/atspi/accessible/root");

QDBusMessage Call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, 3000);
}

QString AccessibleName(const QDBusConnection& bus, const QString& service, const QString& path) {
    const QDBusMessage reply = Call(bus, service, path, S("org.freedesktop.DBus.Properties"),
                                    S("Get"), {S("org.a11y.atspi.Accessible"), S("Name")});
    return reply.arguments().isEmpty()
               ? QString()
               : reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
}

// The names below `path` (an object of the application `service`), depth first.
void CollectNames(const QDBusConnection& bus, const QString& service, const QString& path,
                  int depth, QStringList& names) {
    names << AccessibleName(bus, service, path);
    const QDBusMessage reply =
        Call(bus, service, path, S("org.a11y.atspi.Accessible"), S("GetChildren"), {});
    if (depth == 0 || reply.arguments().isEmpty()) {
        return;
    }
    QStringList children;
    const auto list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString owner;
        QDBusObjectPath child;
        list.beginStructure();
        list >> owner >> child;
        list.endStructure();
        children << child.path();
    }
    list.endArray();
    for (const QString& child : children) {
        CollectNames(bus, service, child, depth - 1, names);
    }
}

}  // namespace

XDesktop::Options Session(bool panel, bool desktopIcons, bool compositor) {
    XDesktop::Options options;
    options.panel = panel;
    options.desktopIcons = desktopIcons;
    options.compositor = compositor;
    return options;
}

void WriteStyle(const QString& program, const PanelStyle& style) {
    const QString folder = program + S("/styles/") + style.name;
    QDir().mkpath(folder);
    const QByteArray ini =
        S("[COLOUR]\nfontcolourred=255\nfontcolourgreen=255\nfontcolourblue=255\n"
          "bgcolourred=%1\nbgcolourgreen=%2\nbgcolourblue=%3\n"
          "bordercolourred=250\nbordercolourgreen=200\nbordercolourblue=0\n"
          "[SIZE]\nboxheight=%4\n[EFFECT]\ntransparent=%5\n[POSITION]\ntop=%6\n"
          "[FONT]\nfontname=DejaVu Sans\n[NAME]\nstylename=%7\ndescription=Test style\n"
          "[SOUND]\nstartup=\n")
            .arg(style.background.red())
            .arg(style.background.green())
            .arg(style.background.blue())
            .arg(style.boxHeight)
            .arg(style.opacity)
            .arg(style.dock)
            .arg(style.name)
            .toUtf8();
    ASSERT_FALSE(WriteTestFile(QDir(folder), S("style.ini"), ini).isEmpty());
}

void ChooseStyle(const QString& program, const QString& name) {
    common::WriteIniValue(S("STYLE"), S("stylename"), S("\\") + name,
                          program + S("/styleloader.ini"));
}

QString CopyBuiltTilebay(const QString& program) {
    const QString binary = program + S("/tilebay");
    QDir().mkpath(program);
    QFile::remove(binary);  // a test may start several times
    EXPECT_TRUE(QFile::copy(S(TILEBAY_BINARY), binary));
    EXPECT_TRUE(QFile::setPermissions(binary, QFile::ReadOwner | QFile::ExeOwner));
    // A portable program folder holds its translations beside the program.
    const QDir built(QFileInfo(S(TILEBAY_BINARY)).dir().filePath(S("translations")));
    QDir(program).mkpath(S("translations"));
    for (const QString& name : built.entryList({S("*.qm")}, QDir::Files)) {
        QFile::remove(program + S("/translations/") + name);
        EXPECT_TRUE(QFile::copy(built.filePath(name), program + S("/translations/") + name));
    }
    return binary;
}

QString WriteExecutable(const QString& path, const QByteArray& content) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Hex(XWindowId window) {
    return S("0x") + QString::number(window, 16);
}

::testing::AssertionResult DroppedAsCopy(QProcess& target, const QString& file) {
    const QByteArray expected = "drop copy " + QUrl::fromLocalFile(file).toEncoded();
    QByteArray said;
    if (pwtest::waitFor([&] {
            target.waitForReadyRead(200);
            said += target.readAllStandardOutput();
            return said.contains(expected);
        })) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the target said: " << said.toStdString();
}

E2EFixture::E2EFixture(XDesktop::Options options) : desktopOptions(options) {}
E2EFixture::E2EFixture(WaylandDesktop::Options options) : desktopOptions(options) {}

void E2EFixture::SetUp() {
    if (const auto* x = std::get_if<XDesktop::Options>(&desktopOptions)) {
        auto made = std::make_unique<XDesktop>(*x);
        xDesktop = made.get();
        desktop = std::move(made);
    } else {
        auto made =
            std::make_unique<WaylandDesktop>(std::get<WaylandDesktop::Options>(desktopOptions));
        wayland = made.get();
        desktop = std::move(made);
    }
    ASSERT_TRUE(desktop->ok()) << desktop->error().toStdString();
    ASSERT_TRUE(tmp.isValid());
    root = QDir(tmp.path());
    env = desktop->environment();
    userDesktop = desktop->homePath() + S("/Desktop");
    allUsersDesktop = root.filePath(S("share/tilebay/Desktop"));
    ASSERT_TRUE(QDir().mkpath(userDesktop));
    ASSERT_TRUE(QDir().mkpath(allUsersDesktop));
    // The all-users desktop lies in the first data folder; the icon themes
    // in the system's.
    env.insert(S("XDG_DATA_DIRS"), root.filePath(S("share")) + S(":/usr/share"));
    env.insert(S("QT_QPA_PLATFORM"), S("xcb"));  // the tests run offscreen
    output = QDir(S(TILEBAY_E2E_OUTPUT));
    output.mkpath(S("."));
}

void E2EFixture::TearDown() {
    QDBusConnection::disconnectFromBus(kAccessibilityBus);
    QDBusConnection::disconnectFromBus(kSessionBus);
    if (tilebay.state() != QProcess::NotRunning) {
        tilebay.kill();
        tilebay.waitForFinished(3000);
    }
    for (auto& other : others) {
        other->kill();
        other->waitForFinished(3000);
    }
}

bool E2EFixture::StartTilebay(const QString& binary, const QStringList& arguments) {
    tilebay.setProcessEnvironment(env);
    tilebay.setProgram(binary);
    tilebay.setArguments(arguments);
    tilebay.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tilebay.start();
    return tilebay.waitForStarted(5000);
}

std::vector<XWindowId> E2EFixture::Named(const QString& pattern) const {
    return TestDesktop::parseWindowIds(
        desktop->run(S("xdotool"), {S("search"), S("--name"), pattern}).out);
}

XWindowId E2EFixture::WaitForViewable(const QString& pattern) const {
    XWindowId found = 0;
    pwtest::waitFor([&] {
        for (XWindowId w : Named(pattern)) {
            if (desktop->windowInfo(w).viewable()) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool E2EFixture::Top(XWindowId w, int top, std::chrono::milliseconds timeout) const {
    return pwtest::waitFor([&] { return Geometry(w).top() == top; }, timeout);
}

QStringList E2EFixture::Property(XWindowId w, const char* name) const {
    return desktop->property(w, S(name)).value_or(QStringList{});
}

std::vector<XWindowId> E2EFixture::Stacking() const {
    const auto result = desktop->run(S("xwininfo"), {S("-root"), S("-children")});
    return TestDesktop::parseWindowIds(result.out.section(S("child"), 1));
}

bool E2EFixture::Above(XWindowId upper, XWindowId lower) const {
    const auto order = Stacking();
    const auto u = std::find(order.begin(), order.end(), upper);
    const auto l = std::find(order.begin(), order.end(), lower);
    return u != order.end() && l != order.end() && u < l;
}

XWindowId E2EFixture::FrameOf(XWindowId client) const {
    const XWindowId parent = desktop->windowInfo(client).parent;
    return parent != 0 ? parent : client;
}

void E2EFixture::Xdotool(const QStringList& arguments) const {
    desktop->run(S("xdotool"), arguments);
}

void E2EFixture::Pointer(int x, int y) const {
    Xdotool({S("mousemove"), QString::number(x), QString::number(y)});
}

void E2EFixture::Click(int x, int y, int button, int count) const {
    Xdotool({S("mousemove"), QString::number(x), QString::number(y), S("click"), S("--repeat"),
             QString::number(count), S("--delay"), S("120"), QString::number(button)});
}

QString E2EFixture::Shot(const QString& name) const {
    const QString path = output.filePath(name + S(".png"));
    desktop->run(S("import"), {S("-window"), S("root"), path});
    return path;
}

QColor E2EFixture::Pixel(const QString& png, int x, int y) const {
    const auto result = desktop->run(
        S("convert"),
        {png, S("-format"), S("%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]"),
         S("-crop"), S("1x1+%1+%2").arg(x).arg(y), S("info:")});
    const QStringList parts = result.out.trimmed().split(u',');
    return parts.size() == 3 ? QColor(parts[0].toInt(), parts[1].toInt(), parts[2].toInt())
                             : QColor();
}

QString E2EFixture::ShotShowing(const QString& name, const QPoint& at, const QColor& colour) const {
    QString shot;
    pwtest::waitFor([&] {
        shot = Shot(name);
        return Pixel(shot, at.x(), at.y()) == colour;
    });
    return shot;
}

QProcess* E2EFixture::Other(const QString& executable, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(executable, arguments);
    process->waitForStarted(5000);
    others.push_back(std::move(process));
    return others.back().get();
}

bool E2EFixture::StartAccessibility() {
    QProcess* bus = Other(S("dbus-daemon"), {S("--session"), S("--nofork"), S("--print-address")});
    if (!bus->waitForReadyRead(10000)) {
        return false;
    }
    const QString address = QString::fromUtf8(bus->readLine()).trimmed();
    env.insert(S("DBUS_SESSION_BUS_ADDRESS"), address);
    env.insert(S("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), S("1"));
    const QDBusConnection session = QDBusConnection::connectToBus(address, kSessionBus);
    const QDBusMessage reply = Call(session, S("org.a11y.Bus"), S("/org/a11y/bus"),
                                    S("org.a11y.Bus"), S("GetAddress"), {});
    const QString accessibility =
        reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
    const QDBusConnection a11y = QDBusConnection::connectToBus(accessibility, kAccessibilityBus);
    // A program sends focus events only while someone listens to them.
    const QDBusMessage registered =
        Call(a11y, S("org.a11y.atspi.Registry"), S("/org/a11y/atspi/registry"),
             S("org.a11y.atspi.Registry"), S("RegisterEvent"), {S("focus:")});
    focusEvents_ = Other(
        S("dbus-monitor"),
        {S("--address"), accessibility, S("type='signal',interface='org.a11y.atspi.Event.Focus'")});
    return registered.type() == QDBusMessage::ReplyMessage && focusEvents_->waitForReadyRead(10000);
}

// tilebay's connection to the accessibility bus: the peer whose root object
// carries its name.
QString E2EFixture::TilebayPeer() const {
    const QDBusConnection a11y = QDBusConnection(kAccessibilityBus);
    const QStringList peers =
        a11y.isConnected() ? a11y.interface()->registeredServiceNames().value() : QStringList();
    for (const QString& peer : peers) {
        if (peer.startsWith(u':') && AccessibleName(a11y, peer, kRoot) == S("tilebay")) {
            return peer;
        }
    }
    return {};
}

QStringList E2EFixture::AccessibleNames() {
    QStringList names;
    const QString peer = TilebayPeer();
    if (!peer.isEmpty()) {
        CollectNames(QDBusConnection(kAccessibilityBus), peer, kRoot, 8, names);
    }
    return names;
}

QStringList E2EFixture::FocusedMenuNames() {
    // dbus-monitor prints a line "signal ... path=<object>; interface=...
    // member=Focus" for each focus event.
    focusEvents_->waitForReadyRead(100);
    static const QRegularExpression event(S("path=([^;]+); interface=org.a11y.atspi.Event.Focus"));
    for (const QString& line :
         QString::fromUtf8(focusEvents_->readAllStandardOutput()).split(u'\n')) {
        if (const QRegularExpressionMatch match = event.match(line); match.hasMatch()) {
            focused_ = match.captured(1);
        }
    }
    const QString peer = TilebayPeer();
    if (focused_.isEmpty() || peer.isEmpty()) {
        return {};
    }
    const QDBusConnection a11y(kAccessibilityBus);
    const QDBusMessage reply = Call(a11y, peer, focused_, S("org.freedesktop.DBus.Properties"),
                                    S("Get"), {S("org.a11y.atspi.Accessible"), S("Parent")});
    if (reply.arguments().isEmpty()) {
        return {};
    }
    const auto parent =
        reply.arguments().constFirst().value<QDBusVariant>().variant().value<QDBusArgument>();
    QString owner;
    QDBusObjectPath menu;
    parent.beginStructure();
    parent >> owner >> menu;
    parent.endStructure();
    QStringList names;
    CollectNames(a11y, peer, menu.path(), 1, names);
    return names.mid(1);  // the entries, without the menu itself
}

XWindowId E2EFixture::OtherWindow(const QString& title) {
    Other(S("xmessage"), {S("-title"), title, S("-geometry"), S("+10+10"), title});
    return WaitForViewable(S("^") + title + S("$"));
}

int E2EFixture::RowOf(const QString& name) const {
    QStringList rows;
    for (const QString& folder : {allUsersDesktop, userDesktop}) {
        QStringList files;
        QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (!it.fileName().startsWith(u'.')) {
                (it.fileInfo().isDir() ? rows : files).append(it.fileName());
            }
        }
        rows += files;
    }
    return static_cast<int>(rows.indexOf(name));
}

QPoint E2EFixture::RowCentre(const QString& name) const {
    return {60, 80 + 18 + 18 * RowOf(name) + 9};
}

}  // namespace tilebay::testing
