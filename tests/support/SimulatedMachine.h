// A machine for whole-game tests: no real drone (an empty sysfs), a private registry where simulated
// drones appear, a program folder of its own with Data/ and Record/, and message boxes answered No.
// Link and game tests include it; it restores the machine when it goes.
#pragma once

#include "app/Globals.h"
#include "link/LinkService.h"
#include "platform/DeviceList.h"
#include "platform/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

// A main window that shows nothing of the link.
class CNoLinkView : public ILinkView {
public:
    void ShowPortOpen() override {}
    void ShowLinkState(int) override {}
};

class CSimulatedMachine {
public:
    CSimulatedMachine() {
        QDir(m_sysfs.path()).mkpath(QStringLiteral("class/tty"));
        QDir(m_app.path()).mkpath(QStringLiteral("Data"));
        QDir(m_app.path()).mkpath(QStringLiteral("Record"));
        SetSysfsRoot(m_sysfs.path());
        SetDeviceRegistryFolder(m_registry.path() + QStringLiteral("/devices"));
        g_strAppDir.Set(m_app.path());
        SetMessageResponder([](const QString&, MessageKind) { return false; });
    }
    ~CSimulatedMachine() {
        SetMessageResponder({});
        SetSysfsRoot(QString());
        SetDeviceRegistryFolder(QString());
    }
    CSimulatedMachine(const CSimulatedMachine&) = delete;
    CSimulatedMachine& operator=(const CSimulatedMachine&) = delete;

    // Presses connect and waits for the drone's first attitude; false when either fails.
    bool ConnectDrone() {
        m_link.Connect();
        return g_bDroneConnected && WaitUntil([] { return g_nAttitudeCount > 0; }, std::chrono::seconds(3));
    }
    CLinkService& Link() { return m_link; }

private:
    QTemporaryDir m_sysfs, m_registry, m_app;
    CNoLinkView m_view;
    CLinkService m_link{m_view};
};
