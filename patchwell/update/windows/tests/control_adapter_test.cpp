#include <gtest/gtest.h>

#include "patchwell/download/control/download.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/download/control/testing/control_fakes.h"
#include "patchwell/update/windows/control_adapter.h"

namespace {

using patchwell::download::DeclaredEvents;
using patchwell::download::DownLoad;
using patchwell::download::EventRelay;
using patchwell::update::DownLoadPort;

// The port around the real control declares the control's events and raises
// each one as the control does; calls and properties pass straight through.
// (The QApplication is the one of windows_test.cpp's main.)
TEST(DownLoadPort, PassesTheControlThroughUnchanged) {
    patchwell::download::testing::Trace trace;
    auto environment = std::make_shared<patchwell::download::testing::FakeEnvironment>(&trace);
    auto* control = new DownLoad(environment);
    DownLoadPort port(control, environment, nullptr);
    // The connection check asks the control's own environment.
    environment->connection.online = false;
    EXPECT_FALSE(port.CheckConnection());
    environment->connection.online = true;
    EXPECT_TRUE(port.CheckConnection());
    EXPECT_EQ(DeclaredEvents(port), DeclaredEvents(control->core()));
    EXPECT_EQ(DeclaredEvents(port).size(), 9);

    QStringList portEvents;
    EventRelay relay(port, [&portEvents](const QString& name, const QVariant& value) {
        portEvents << name + QLatin1Char(':') + value.toString();
    });
    port.setUrl(QStringLiteral("http://127.0.0.1:1/x.bin"));
    port.setSaveLocation(QStringLiteral("/tmp/x.bin"));
    EXPECT_EQ(control->Url(), QStringLiteral("http://127.0.0.1:1/x.bin"));
    EXPECT_EQ(port.SaveLocation(), QStringLiteral("/tmp/x.bin"));
    port.Pause(true);
    EXPECT_TRUE(port.CPause());
    port.Pause(false);
    port.Cancel();
    EXPECT_TRUE(control->CCancel());
    port.download();  // a pending cancel: returns at once, without events
    EXPECT_EQ(portEvents, QStringList({QStringLiteral("StatusChange:Unpausing"),
                                       QStringLiteral("StatusChange:Cancelling..")}));
    Q_EMIT control->core().DLECode(4);
    Q_EMIT control->core().DLComplete();
    EXPECT_EQ(portEvents.mid(2),
              QStringList({QStringLiteral("DLECode:4"), QStringLiteral("DLComplete:")}));
    delete control;
}

}  // namespace
