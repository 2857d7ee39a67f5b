#include "windows/DlgPlayers.h"

#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "records/Records.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kNewPlayerRow = -1; // the data of the "新玩家" line
} // namespace

QString PlayerLine(const PlayerSummary& summary) {
    const QString played = summary.lastPlayed.isValid()
                               ? Aviluma::tr("上次 %1")
                                     .arg(summary.lastPlayed.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                               : Aviluma::tr("还没有飞过");
    return Aviluma::tr("%1　第 %2 关　%3")
        .arg(summary.player.name)
        .arg(summary.openLevel)
        .arg(played);
}

CDlgPlayers::CDlgPlayers(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(kChoosePlayerTitle));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Tr(kChoosePlayerTitle), this);
    m_list = new QListWidget(this);
    m_list->setAccessibleName(Tr(kChoosePlayerTitle)); // the list is the question's answer
    label->setBuddy(m_list);
    m_list->setMinimumSize(360, 240);
    layout->addWidget(label);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(Aviluma::tr("开始"),
                                            QDialogButtonBox::AcceptRole);
    m_rename = buttons->addButton(Aviluma::tr("重命名"),
                                  QDialogButtonBox::ActionRole);
    m_remove = buttons->addButton(Aviluma::tr("删除"),
                                  QDialogButtonBox::ActionRole);
    buttons->addButton(Aviluma::tr("取消"),
                       QDialogButtonBox::RejectRole);
    start->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Start(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_rename, &QPushButton::clicked, this, [this] { Rename(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(m_list, &QListWidget::itemActivated, this, [this] { Start(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        const bool player = Selected().has_value();
        m_rename->setEnabled(player);
        m_remove->setEnabled(player);
    });
    Fill();
}

void CDlgPlayers::Fill() {
    m_players = SummarisePlayers(ReadPlayers());
    m_list->clear();
    const std::optional<Player> current = CurrentPlayer();
    int currentRow = 0;
    for (int row = 0; row < static_cast<int>(m_players.size()); ++row) {
        auto* item = new QListWidgetItem(PlayerLine(m_players[row]), m_list);
        item->setData(Qt::UserRole, row);
        if (current && current->folder == m_players[row].player.folder)
            currentRow = row;
    }
    auto* item = new QListWidgetItem(Tr(kNewPlayerItem), m_list);
    item->setData(Qt::UserRole, kNewPlayerRow);
    m_list->setCurrentRow(currentRow);
    m_list->setFocus();
}

std::optional<Player> CDlgPlayers::Selected() const {
    const QListWidgetItem* item = m_list->currentItem();
    if (item == nullptr)
        return std::nullopt;
    const int row = item->data(Qt::UserRole).toInt();
    if (row < 0 || row >= static_cast<int>(m_players.size()))
        return std::nullopt;
    return m_players[row].player;
}

std::optional<QString> CDlgPlayers::Ask(const QString& label, const QString& initial) {
    if (m_asker)
        return m_asker(label, initial);
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, Tr(kChoosePlayerTitle), Tr(label), QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

void CDlgPlayers::Start() {
    if (std::optional<Player> player = Selected()) {
        m_chosen = player;
        accept();
    } else {
        NewPlayer();
    }
}

std::optional<Player> CDlgPlayers::CreatePlayer(const QString& name, const TextAsker& ask, QString* error) {
    if (!HasUnownedProgress())
        return AddPlayer(name, error);
    // The progress flown so far becomes one player's, asked once: the first player added, or another.
    const std::optional<QString> owner = ask(kAdoptQuestion, name);
    if (!owner)
        return std::nullopt;
    const std::optional<Player> adopted = AdoptProgress(*owner, error);
    if (!adopted || adopted->name == SafePlayerName(name).trimmed())
        return adopted;
    return AddPlayer(name, error);
}

void CDlgPlayers::NewPlayer() {
    const std::optional<QString> name =
        Ask(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "新玩家的名字：")), QString());
    if (!name)
        return;
    QString error;
    const std::optional<Player> player = CreatePlayer(
        *name, [this](const QString& label, const QString& initial) { return Ask(label, initial); }, &error);
    if (!player) {
        if (!error.isEmpty())
            MessageBoxOk(error);
        Fill();
        return;
    }
    m_chosen = player;
    accept();
}

void CDlgPlayers::Rename() {
    const std::optional<Player> player = Selected();
    if (!player)
        return;
    const std::optional<QString> name = Ask(
        Aviluma::tr("“%1”的新名字：").arg(player->name), player->name);
    QString error;
    if (name && !RenamePlayer(*player, *name, &error))
        MessageBoxOk(error);
    Fill();
}

void CDlgPlayers::Remove() {
    const std::optional<Player> player = Selected();
    if (!player)
        return;
    int games = 0;
    for (const PlayerSummary& summary : m_players)
        if (summary.player.folder == player->folder)
            games = summary.games;
    const QString question =
        Aviluma::tr("删除玩家“%1”？\n他的闯关进度、最好成绩和 %2 局训练记录会从名单中去掉，"
                          "文件夹移到 %3，不会删除。")
            .arg(player->name)
            .arg(games)
            .arg(RemovedPlayersFolder());
    if (!MessageBoxYesNo(question))
        return;
    QString error;
    if (!RemovePlayer(*player, &error))
        MessageBoxOk(error);
    // Whoever flies next is chosen here or by the main window; until then the first one listed.
    if (const std::optional<Player> current = CurrentPlayer(); current && current->folder == player->folder) {
        const std::vector<Player> players = ReadPlayers();
        UsePlayer(players.empty() ? std::nullopt : std::optional<Player>(players.front()));
    }
    Fill();
}
