#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/korvane_core.h"
#include "lists/clipboard_monitor.h"
#include "routing/vpn_server.h"
#include "ui/password_dialogs.h"

namespace korvane::ui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(const char* text) { return QString::fromUtf8(text); }

QWidget* Page(QTabWidget* pages, const char* title, QLayout* layout) {
    auto* page = new QWidget;
    page->setLayout(layout);
    pages->addTab(page, Q(title));
    return page;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) row->addWidget(widget);
    row->addStretch();
    return row;
}

QLabel* Text(const char* caption) { return new QLabel(Q(caption)); }

}  // namespace

MainWindow::MainWindow(platform::Messages& messages, platform::Resolver& resolver)
    : messages_(messages), resolver_(resolver) {
    setObjectName("KorvaneMainForm");
    setWindowTitle("Korvane");
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    pages_ = new QTabWidget;
    pages_->setObjectName("PageControl1");
    ParametersPage();
    AdaptersPage();
    SubnetListPage();
    WhiteListPage();
    PluginsPage();
    blackListPage_ = BlackListPage();
    AboutPage();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button("ButtonExit", "Выгрузить", [this] { core_->ButtonExitClick(); }));
    buttons->addStretch();
    buttons->addWidget(Button("ButtonApply", "Применить", [this] { core_->ButtonApplyClick(); }));
    QPushButton* ok = Button("ButtonOK", "ОК", [this] { core_->ButtonOKClick(); });
    ok->setDefault(true);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons);
    resize(455, 405);
}

core::Controls& MainWindow::controls() { return core_->controls(); }

void MainWindow::Attach(core::KorvaneCore& core) {
    core_ = &core;
    core.log().onChanged = [this] {
        if (!refreshing_) Refresh();
    };
    Refresh();
}

void MainWindow::Refresh() {
    if (!core_) return;
    refreshing_ = true;
    for (const Handler& refresh : refreshers_) refresh();
    pages_->setTabVisible(pages_->indexOf(blackListPage_), controls().blackListTabVisible);
    refreshing_ = false;
}

void MainWindow::Run(const Handler& handler) {
    if (refreshing_ || !core_) return;
    if (handler) handler();
    if (!core_->Ended()) Refresh();
}

// ---- Bound controls ----

QCheckBox* MainWindow::Check(const char* name, const char* caption, bool core::Controls::*tick,
                             bool core::Controls::*enabled, Handler click) {
    auto* box = new QCheckBox(Q(caption));
    box->setObjectName(name);
    connect(box, &QCheckBox::clicked, this, [this, tick, click](bool checked) {
        if (refreshing_ || !core_) return;
        controls().*tick = checked;
        Run(click);
    });
    refreshers_.push_back([this, box, tick, enabled] {
        box->setChecked(controls().*tick);
        if (enabled) box->setEnabled(controls().*enabled);
    });
    return box;
}

QSpinBox* MainWindow::Spin(const char* name, int minimum, int maximum, int core::Controls::*value,
                           bool core::Controls::*enabled, Handler change) {
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    connect(spin, &QSpinBox::valueChanged, this, [this, value, change](int number) {
        if (refreshing_ || !core_) return;
        controls().*value = number;
        Run(change);
    });
    refreshers_.push_back([this, spin, value, enabled] {
        spin->setValue(controls().*value);
        if (enabled) spin->setEnabled(controls().*enabled);
    });
    return spin;
}

QLineEdit* MainWindow::Line(const char* name, std::string core::Controls::*text,
                            bool core::Controls::*enabled, Handler change) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textChanged, this, [this, text, change](const QString& typed) {
        if (refreshing_ || !core_) return;
        controls().*text = typed.toStdString();
        Run(change);
    });
    refreshers_.push_back([this, edit, text, enabled] {
        const QString shown = Q(controls().*text);
        if (edit->text() != shown) edit->setText(shown);
        if (enabled) edit->setEnabled(controls().*enabled);
    });
    return edit;
}

QLineEdit* MainWindow::ReadOnly(const char* name, std::string core::Controls::*text) {
    QLineEdit* edit = Line(name, text);
    edit->setReadOnly(true);
    return edit;
}

QComboBox* MainWindow::IndexCombo(const char* name, const std::vector<const char*>& items,
                                  int core::Controls::*index, Handler select) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    for (const char* item : items) combo->addItem(Q(item));
    connect(combo, &QComboBox::currentIndexChanged, this, [this, index, select](int chosen) {
        if (refreshing_ || !core_) return;
        controls().*index = chosen;
        Run(select);
    });
    refreshers_.push_back([this, combo, index] {
        const int chosen = controls().*index;
        combo->setCurrentIndex(chosen >= 0 && chosen < combo->count() ? chosen : -1);
    });
    return combo;
}

QComboBox* MainWindow::StateCombo(const char* name, bool editable,
                                  core::ComboState core::Controls::*state, Handler select) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(editable);
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, state, select](int chosen) {
        if (refreshing_ || !core_) return;
        (controls().*state).itemIndex = chosen;
        (controls().*state).text = combo->currentText().toStdString();
        Run(select);
    });
    if (editable) {
        connect(combo, &QComboBox::editTextChanged, this, [this, state](const QString& typed) {
            if (refreshing_ || !core_) return;
            (controls().*state).text = typed.toStdString();
        });
    }
    refreshers_.push_back([this, combo, state, editable] {
        const core::ComboState& s = controls().*state;
        QStringList items;
        for (const std::string& item : s.items) items << Q(item);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        if (shown != items) {
            combo->clear();
            combo->addItems(items);
        }
        combo->setCurrentIndex(s.itemIndex >= 0 && s.itemIndex < combo->count() ? s.itemIndex : -1);
        if (editable && combo->currentText() != Q(s.text)) combo->setEditText(Q(s.text));
        combo->setEnabled(s.enabled);
    });
    return combo;
}

QPlainTextEdit* MainWindow::Memo(const char* name, std::vector<std::string> core::Controls::*lines,
                                 bool core::Controls::*enabled) {
    auto* memo = new QPlainTextEdit;
    memo->setObjectName(name);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, lines] {
        if (refreshing_ || !core_) return;
        std::vector<std::string>& target = controls().*lines;
        target.clear();
        const QString text = memo->toPlainText();
        if (!text.isEmpty()) {
            for (const QString& line : text.split('\n')) target.push_back(line.toStdString());
        }
    });
    refreshers_.push_back([this, memo, lines, enabled] {
        QStringList text;
        for (const std::string& line : controls().*lines) text << Q(line);
        const QString joined = text.join('\n');
        if (memo->toPlainText() != joined) memo->setPlainText(joined);
        if (enabled) memo->setEnabled(controls().*enabled);
    });
    return memo;
}

QLabel* MainWindow::Label(const char* name, std::string core::Controls::*text) {
    auto* label = new QLabel;
    label->setObjectName(name);
    refreshers_.push_back([this, label, text] { label->setText(Q(controls().*text)); });
    return label;
}

QPushButton* MainWindow::Button(const char* name, const char* caption, Handler click,
                                bool core::Controls::*enabled) {
    auto* button = new QPushButton(Q(caption));
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, click] { Run(click); });
    if (enabled) {
        refreshers_.push_back([this, button, enabled] { button->setEnabled(controls().*enabled); });
    }
    return button;
}

// ---- Pages ----

QWidget* MainWindow::ParametersPage() {
    using C = core::Controls;
    auto* layout = new QVBoxLayout;
    layout->addLayout(
        Row({Text("Двойной клик по иконке:"),
             IndexCombo("ComboBoxTrayDoubleClick",
                        {"Ничего не делать", "Открыть окно проверки URL", "Открыть окно настроек",
                         "Активировать/деактивировать стену"},
                        &C::ComboBoxTrayDoubleClick)}));
    layout->addWidget(Check("CheckBoxGatewayMonitor", "Cбрасывать обновление шлюза сервером DHCP",
                            &C::CheckBoxGatewayMonitor));
    layout->addLayout(Row({Text("Период сканирования изменений системы"),
                           Spin("editRenewPeriod", 1, 3600, &C::editRenewPeriod), Text("сек.")}));
    layout->addWidget(Check("CheckBoxAutorun", "Запускаться вместе с системой", &C::CheckBoxAutorun,
                            &C::CheckBoxAutorunEnabled));
    layout->addWidget(
        Check("CheckBoxAutoLock", "Активировать стену при запуске", &C::CheckBoxAutoLock));
    layout->addWidget(Check("CheckBoxClipboardMonitor", "Мониторить клипбоард на наличие URL",
                            &C::CheckBoxClipboardMonitor, nullptr,
                            [this] { core_->clipboardMonitor().CheckBoxClipboardMonitorClick(); }));
    layout->addWidget(Check("CheckBoxPassword", "Защитить настройки паролем", &C::CheckBoxPassword,
                            nullptr, [this] { core_->CheckBoxPasswordClick(); }));
    layout->addLayout(Row(
        {Check("CheckBoxEnableBalloons", "Выводить всплывающие подсказки (NT/2K/XP) в течение",
               &C::CheckBoxEnableBalloons, &C::CheckBoxEnableBalloonsEnabled,
               [this] { lists::CheckBoxEnableBalloonsClick(controls()); }),
         Spin("EditBaloonShowTime", 1, 15, &C::EditBaloonShowTime, &C::EditBaloonShowTimeEnabled),
         Text("сек.")}));
    layout->addWidget(Check("checkBoxEnablePopupsOnUpdate",
                            "Показывать подсказки после обновления ",
                            &C::checkBoxEnablePopupsOnUpdate));
    layout->addWidget(Check("checkUseStaticRoutes",
                            "Использовать статические записи в таблицу маршрутизации",
                            &C::checkUseStaticRoutes));
    layout->addWidget(Check("checkDontDeleteStaticRoutes", "Не удалять статические записи",
                            &C::checkDontDeleteStaticRoutes));
    layout->addStretch();
    return Page(pages_, "Параметры", layout);
}

QWidget* MainWindow::AdaptersPage() {
    using C = core::Controls;
    auto* exchange = new QGroupBox(Q("Адаптер, подключенный к Tarvel"));
    auto* exchangeForm = new QFormLayout(exchange);
    exchangeForm->addRow(StateCombo("comboAdapters", false, &C::comboAdapters,
                                    [this] { core_->comboAdaptersSelect(); }));
    exchangeForm->addRow(Text("Шлюз"), Line("editGateway", &C::editGateway));
    exchangeForm->addRow(
        Check("checkBoxLanMode", "Адаптер является подключенным к LAN", &C::checkBoxLanMode));

    auto* foreign = new QGroupBox(Q("Адаптер для зарубежного трафика"));
    auto* foreignForm = new QFormLayout(foreign);
    foreignForm->addRow(StateCombo("comboLoopbackAdapter", false, &C::comboLoopbackAdapter,
                                   [this] { core_->comboAdaptersSelect(); }));
    foreignForm->addRow(Text("Шлюз"), Line("editForeignGateway", &C::editForeignGateway));
    foreignForm->addRow(Text("Метод управления зарубежным трафиком"),
                        StateCombo("comboBlockByLoopback", false, &C::comboBlockByLoopback,
                                   [this] { core_->comboBlockByLoopbackSelect(); }));

    auto* layout = new QVBoxLayout;
    layout->addWidget(exchange);
    layout->addWidget(foreign);
    layout->addWidget(Check("checkUseVPN", "Использовать VPN-сервер (имя DNS или IP адрес)",
                            &C::checkUseVPN, nullptr, [this] { core_->checkUseVPNClick(); }));
    layout->addLayout(Row({StateCombo("comboVPNServer", true, &C::comboVPNServer),
                           Button("btnCheckVPNServer", "Проверить", [this] {
                               routing::btnCheckVPNServerClick(controls(), resolver_, messages_);
                           })}));
    layout->addStretch();
    return Page(pages_, "Адаптеры", layout);
}

QListWidget* MainWindow::LogList() {
    auto* list = new QListWidget;
    list->setObjectName("ListBoxLog");
    list->setFrameShape(QFrame::NoFrame);
    refreshers_.push_back([this, list] {
        const lists::UpdateLog& log = core_->log();
        while (list->count() > static_cast<int>(log.Lines().size())) delete list->takeItem(0);
        for (int i = 0; i < static_cast<int>(log.Lines().size()); ++i) {
            const std::string& line = log.Lines()[i];
            if (i >= list->count()) list->addItem(QString());
            QListWidgetItem* item = list->item(i);
            if (item->text() == Q(line)) continue;
            item->setText(Q(line));
            QStyle::StandardPixmap icon = QStyle::SP_MessageBoxInformation;
            switch (lists::LogPictureFor(line)) {
                case lists::LogPicture::ImageOK:
                    icon = QStyle::SP_DialogApplyButton;
                    break;
                case lists::LogPicture::ImageError:
                    icon = QStyle::SP_MessageBoxCritical;
                    break;
                case lists::LogPicture::ImageInfo:
                    break;
            }
            item->setIcon(style()->standardIcon(icon));
        }
        list->setCurrentRow(log.SelectedIndex());
    });
    return list;
}

QWidget* MainWindow::SubnetListPage() {
    using C = core::Controls;
    auto* form = new QFormLayout;
    form->addRow(Text("Адрес списка подсетей:"),
                 StateCombo("ComboBoxTarvelListURL", true, &C::ComboBoxTarvelListURL));
    form->addRow(
        Text("Автообновление списка:"),
        IndexCombo("ComboBoxRefreshList", {"Никогда", "Ежедневно", "Раз в час", "Раз в 15 минут"},
                   &C::ComboBoxRefreshList,
                   [this] { core_->listUpdater().ComboBoxRefreshListChange(); }));
    form->addRow(Check("CheckBoxRoundTime", "Обновление в круглые значения времени",
                       &C::CheckBoxRoundTime, nullptr,
                       [this] { core_->listUpdater().ComboBoxRefreshListChange(); }));
    form->addRow(
        Check("CheckBoxTries", "Прекратить автообновление после ", &C::CheckBoxTries, nullptr,
              [this] { core_->listUpdater().CheckBoxTriesClick(); }),
        Spin("EditRefreshTries", 1, 255, &C::EditRefreshTries, &C::EditRefreshTriesEnabled));
    form->addRow(Text("Подсетей в списке:"), Label("LabelSubnetsCount", &C::LabelSubnetsCount));
    form->addRow(Text("Последнее обновление:"), Label("LabelLastUpdated", &C::LabelLastUpdated));
    form->addRow(Text("Следующее обновление:"), Label("LabelNextUpdate", &C::LabelNextUpdate));
    form->addRow(Button("ButtonRefresh", "Обновить сейчас",
                        [this] { core_->listUpdater().ButtonRefreshClick(); }));
    auto* layout = new QVBoxLayout;
    layout->addLayout(form);
    layout->addWidget(LogList());
    return Page(pages_, "Список подсетей", layout);
}

QWidget* MainWindow::WhiteListPage() {
    using C = core::Controls;
    auto* url = new QLabel(Q("URL:"));
    url->setObjectName("LabelWhiteListUrl");
    refreshers_.push_back([this, url] { url->setEnabled(controls().LabelWhiteListUrlEnabled); });
    auto* layout = new QVBoxLayout;
    layout->addWidget(Check("CheckBoxUseWhiteList", "Применять белый список",
                            &C::CheckBoxUseWhiteList, nullptr,
                            [this] { core_->addressLists().CheckBoxUseWhiteListClick(); }));
    layout->addWidget(Memo("MemoWhiteList", &C::MemoWhiteList, &C::MemoWhiteListEnabled));
    auto* row = new QHBoxLayout;
    row->addWidget(url);
    row->addWidget(Line("EditUrl", &C::EditUrl, &C::EditUrlEnabled,
                        [this] { core_->addressLists().EditUrlChange(); }));
    row->addWidget(Button(
        "ButtonAddUrl", "Добавить", [this] { core_->addressLists().ButtonAddUrlClick(); },
        &C::ButtonAddUrlEnabled));
    layout->addLayout(row);
    return Page(pages_, "Белый список", layout);
}

QListWidget* MainWindow::PluginList() {
    auto* list = new QListWidget;
    list->setObjectName("listboxPlugins");
    connect(list, &QListWidget::itemChanged, this, [this, list](QListWidgetItem* item) {
        if (refreshing_ || !core_) return;
        const int row = list->row(item);
        std::vector<bool>& checked = controls().listboxPluginsChecked;
        if (row >= 0 && row < static_cast<int>(checked.size())) {
            checked[row] = item->checkState() == Qt::Checked;
        }
    });
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || !core_) return;
        controls().listboxPluginsItemIndex = row;
        Run([this] { core_->pluginHost().listboxPluginsClick(); });
    });
    refreshers_.push_back([this, list] {
        const core::Controls& c = controls();
        while (list->count() > static_cast<int>(c.listboxPlugins.size())) {
            delete list->takeItem(list->count() - 1);
        }
        for (int i = 0; i < static_cast<int>(c.listboxPlugins.size()); ++i) {
            if (i >= list->count()) {
                auto* item = new QListWidgetItem(list);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            }
            QListWidgetItem* item = list->item(i);
            item->setText(Q(c.listboxPlugins[i]));
            const bool checked =
                i < static_cast<int>(c.listboxPluginsChecked.size()) && c.listboxPluginsChecked[i];
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
        list->setCurrentRow(c.listboxPluginsItemIndex);
    });
    return list;
}

QWidget* MainWindow::PluginsPage() {
    using C = core::Controls;
    auto* details = new QFormLayout;
    details->addRow(Text("Версия"), ReadOnly("editPluginVersion", &C::editPluginVersion));
    details->addRow(Text("Дата"), ReadOnly("editPluginDateTime", &C::editPluginDateTime));
    details->addRow(Text("Автор"), ReadOnly("editPluginAuthor", &C::editPluginAuthor));
    auto* description = new QPlainTextEdit;
    description->setObjectName("memoPluginDescription");
    description->setReadOnly(true);
    refreshers_.push_back(
        [this, description] { description->setPlainText(Q(controls().memoPluginDescription)); });
    details->addRow(Text("Описание"), description);
    auto* layout = new QVBoxLayout;
    layout->addWidget(PluginList());
    layout->addLayout(details);
    layout->addLayout(Row(
        {Button(
             "btnPluginConfig", "Настройка", [this] { core_->pluginHost().btnPluginConfigClick(); },
             &C::btnPluginConfigEnabled),
         Button(
             "btnPluginHelp", "Помощь", [this] { core_->pluginHost().btnPluginHelpClick(); },
             &C::btnPluginHelpEnabled)}));
    return Page(pages_, "Плагины", layout);
}

QWidget* MainWindow::BlackListPage() {
    using C = core::Controls;
    auto* layout = new QVBoxLayout;
    layout->addWidget(Memo("memoWhiteList2", &C::memoWhiteList2));
    auto* row = new QHBoxLayout;
    row->addWidget(Text("URL:"));
    row->addWidget(Line("EditURL2", &C::EditURL2, nullptr,
                        [this] { core_->addressLists().EditURL2Change(); }));
    row->addWidget(Button(
        "ButtonAddUrl2", "Добавить", [this] { core_->addressLists().ButtonAddUrl2Click(); },
        &C::ButtonAddUrl2Enabled));
    layout->addLayout(row);
    return Page(pages_, "Черный список", layout);
}

QWidget* MainWindow::AboutPage() {
    auto* layout = new QVBoxLayout;
    auto* name = Text("Korvane");
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(Label("LabelVersion", &core::Controls::LabelVersion));
    layout->addStretch();
    return Page(pages_, "О программе", layout);
}

// ---- ShellView ----

void MainWindow::ShowMainWindow() {
    Refresh();
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::SelectFirstPage() { pages_->setCurrentIndex(0); }

void MainWindow::BringToFront() {
    QWidget* active = QApplication::activeWindow();
    if (!active) active = this;
    if (!active->isVisible()) return;
    active->raise();
    active->activateWindow();
}

std::optional<std::string> MainWindow::AskPassword() { return PasswordPrompt().Ask(); }

std::optional<std::string> MainWindow::AskNewPassword() {
    return SetPasswordDialog(messages_, isVisible() ? this : nullptr).Ask();
}

// Queued, so the handler that ended the program returns before the event loop stops.
void MainWindow::EndProgram() {
    hide();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace korvane::ui
