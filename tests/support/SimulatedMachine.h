// A machine for link and whole-game tests: no real drone (an empty sysfs), a private registry where
// simulated drones appear, a program folder of its own, and message boxes answered No. It restores the
// machine when it goes.
#pragma once

#include "link/LinkService.h"
#include "platform/DeviceList.h"
#include "state/Globals.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

// A main window that shows nothing of the link.
class CNoLinkView : public ILinkView {
public:
    void ShowPortState(bool, const DroneIdentity&) override {}
    void ShowLinkState(LinkState) override {}
};

class CSimulatedMachine {
public:
    // With pictures, the program folder also holds the instrument pictures.
    explicit CSimulatedMachine(bool pictures = false)
        : m_folder({QStringLiteral("Data"), QStringLiteral("Record")}, pictures) {
        QDir(m_sysfs.path()).mkpath(QStringLiteral("class/tty"));
        SetSysfsRoot(m_sysfs.path());
        SetDeviceRegistryFolder(RegistryFolder());
    }
    ~CSimulatedMachine() {
        m_link.StopLink();
        // A machine made before this one went away leaves the new one's folders in place: the real
        // ones would let drones of other tests running beside this one be seen, and taken.
        if (SysfsRoot() == m_sysfs.path())
            SetSysfsRoot(QString());
        if (DeviceRegistryFolder() == RegistryFolder())
            SetDeviceRegistryFolder(QString());
    }
    CSimulatedMachine(const CSimulatedMachine&) = delete;
    CSimulatedMachine& operator=(const CSimulatedMachine&) = delete;

    // Presses connect and waits for the link monitor's first verdict of a good link (a game needs
    // one); false when either fails.
    bool ConnectDrone() {
        return m_link.Connect().outcome == ConnectOutcome::Connected &&
               WaitUntil([this] { return m_link.State() == LinkState::Good; }, std::chrono::seconds(5));
    }
    CLinkService& Link() { return m_link; }

    CMessageLog messages;

private:
    QString RegistryFolder() const { return m_registry.path() + QStringLiteral("/devices"); }

    QTemporaryDir m_sysfs, m_registry;
    CProgramFolder m_folder;
    CNoLinkView m_view;
    CLinkService m_link{m_view};
};
