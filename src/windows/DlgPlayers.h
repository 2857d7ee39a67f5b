// "谁来飞？": the players of this PC, the last played first, to choose who flies next; new players are
// added here, and players renamed or removed.
#pragma once

#include "platform/Translation.h"
#include "records/Players.h"

#include <QDialog>

#include <functional>
#include <optional>

class QListWidget;
class QPushButton;

inline const QString kChoosePlayerTitle = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "谁来飞？"));
inline const QString kNewPlayerItem = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "新玩家"));
inline const QString kAdoptQuestion =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "把现有进度归为哪位玩家？"));

class CDlgPlayers : public QDialog {
public:
    explicit CDlgPlayers(QWidget* parent = nullptr);

    // A line of text from the player, or nothing when cancelled; tests answer instead of a player.
    using TextAsker = std::function<std::optional<QString>(const QString& label, const QString& initial)>;
    void SetTextAsker(TextAsker asker) { m_asker = std::move(asker); }

    // Shows the players again, the current one (if any) selected.
    void Fill();
    // The player chosen with 开始, Enter or a double click; nothing when the dialog was left.
    std::optional<Player> Chosen() const { return m_chosen; }

    // Adds a player, asking first whose today's progress is when the PC has none yet; the new player
    // on success. Shared with the main window's start for --new-player.
    static std::optional<Player> CreatePlayer(const QString& name, const TextAsker& ask, QString* error);

private:
    void Start();
    void NewPlayer();
    void Rename();
    void Remove();
    std::optional<Player> Selected() const;
    std::optional<QString> Ask(const QString& label, const QString& initial);

    QListWidget* m_list;
    QPushButton* m_rename;
    QPushButton* m_remove;
    std::vector<PlayerSummary> m_players;
    std::optional<Player> m_chosen;
    TextAsker m_asker;
};

// A line of the chooser: "张三　第 4 关　上次 2026-12-08 19:05".
QString PlayerLine(const PlayerSummary& summary);
