#include "archive/TArchiveDialog.h"

#include <set>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "archive/TArchiveModel.h"
#include "archive/TArchiveReader.h"
#include "results/LocaleFormats.h"
#include "server/ServerMessages.h"
#include "server/TServerSearch.h"
#include "text/ServerStrings.h"
#include "text/Strings.h"

TArchiveDialog::TArchiveDialog(TArchiveReader *reader, QWidget *parent)
    : QDialog(parent)
    , m_reader(reader)
    , m_local(reader)
{
    setObjectName(QStringLiteral("ArchiveDialog"));
    setWindowTitle(Str::ArchiveCaption);
    resize(900, 560);

    buildFields();
    m_hits = new TArchiveModel(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("ArchiveView"));
    m_view->setModel(m_hits);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A fixed row height: a long list is laid out without measuring every row.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_view->horizontalHeader()->setResizeContentsPrecision(0); // widths from the rows in sight
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TArchiveDialog::showHistory);

    m_historyPane = new QWidget(this);
    auto *historyLayout = new QVBoxLayout(m_historyPane);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    m_historyTitle = new QLabel(m_historyPane);
    m_history = new QTableWidget(0, Str::ArchiveHistoryTitles.size(), m_historyPane);
    m_history->setObjectName(QStringLiteral("ArchiveHistory"));
    m_history->setHorizontalHeaderLabels(Str::ArchiveHistoryTitles);
    m_history->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_history->horizontalHeader()->setStretchLastSection(true);
    historyLayout->addWidget(m_historyTitle);
    historyLayout->addWidget(m_history);
    m_historyPane->hide();

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_view);
    splitter->addWidget(m_historyPane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    auto *fields = new QHBoxLayout;
    fields->addWidget(m_whereLabel);
    fields->addWidget(m_where);
    fields->addWidget(new QLabel(Str::ArchiveLabel, this));
    fields->addWidget(m_label, 1);
    fields->addWidget(m_fromCheck);
    fields->addWidget(m_from);
    fields->addWidget(m_toCheck);
    fields->addWidget(m_to);
    fields->addWidget(new QLabel(Str::ArchiveModel, this));
    fields->addWidget(m_model);
    fields->addWidget(m_find);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("ArchiveStatus"));
    buildButtons();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_progress);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_historyButton);
    buttons->addWidget(m_open);
    buttons->addWidget(m_export);
    auto *close = new QPushButton(Str::ArchiveClose, this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TArchiveDialog::selectionChanged);
    connect(m_hits, &QAbstractItemModel::modelReset, this, &TArchiveDialog::selectionChanged);
    fillModels();
    selectionChanged();
}

void TArchiveDialog::buildFields()
{
    m_label = new QLineEdit(this);
    m_label->setObjectName(QStringLiteral("ArchiveLabel"));
    m_label->setClearButtonEnabled(true);
    const QDate today = QDate::currentDate();
    auto date = [this](const QDate &d, QCheckBox *check) {
        auto *edit = new QDateEdit(d, this);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
        edit->setEnabled(false);
        connect(check, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        return edit;
    };
    m_fromCheck = new QCheckBox(Str::ArchiveFrom, this);
    m_from = date(today.addMonths(-1), m_fromCheck);
    m_toCheck = new QCheckBox(Str::ArchiveTo, this);
    m_to = date(today, m_toCheck);
    m_model = new QComboBox(this);
    m_model->setObjectName(QStringLiteral("ArchiveModel"));
    m_whereLabel = new QLabel(Str::ArchiveWhere, this);
    m_where = new QComboBox(this);
    m_where->setObjectName(QStringLiteral("ArchiveWhere"));
    m_where->addItems({Str::ArchiveHere, Str::ArchiveOnServer});
    m_whereLabel->hide();
    m_where->hide();
    connect(m_where, &QComboBox::currentIndexChanged, this, &TArchiveDialog::whereChanged);
    m_find = new QPushButton(Str::ArchiveFind, this);
    m_find->setDefault(true); // Enter in the label field searches
    connect(m_find, &QPushButton::clicked, this, &TArchiveDialog::find);
}

void TArchiveDialog::buildButtons()
{
    auto make = [this](const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setAutoDefault(false);
        return b;
    };
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0); // how long the server takes is not known: a running bar
    m_progress->setFormat(Str::SearchRunning);
    m_progress->setTextVisible(true);
    m_progress->hide();
    m_cancel = make(Str::SearchCancel);
    m_cancel->setObjectName(QStringLiteral("ArchiveCancel"));
    m_cancel->hide();
    m_historyButton = make(Str::ArchiveHistory);
    m_open = make(Str::ArchiveOpenAsTable);
    m_export = make(Str::ArchiveExport);
    connect(m_historyButton, &QPushButton::clicked, this, &TArchiveDialog::showHistory);
    connect(m_open, &QPushButton::clicked, this, [this] { handOn(true); });
    connect(m_export, &QPushButton::clicked, this, [this] { handOn(false); });
}

void TArchiveDialog::fillModels()
{
    m_model->addItem(Str::ArchiveAnyModel, QString());
    const QStringList known = {Str::ModelTarvo, Str::ModelMirel, Str::ModelBestan};
    addModels(known + m_reader->models());
}

void TArchiveDialog::addModels(const QStringList &models)
{
    for (const QString &m : models) {
        if (!m.isEmpty() && m_model->findData(m) < 0)
            m_model->addItem(m, m);
    }
}

void TArchiveDialog::setServerReader(TArchiveReader *server)
{
    m_server = server;
    m_whereLabel->setVisible(server != nullptr);
    m_where->setVisible(server != nullptr);
    if (!server)
        m_where->setCurrentIndex(0);
}

void TArchiveDialog::setServerSearch(TServerSearch *search)
{
    m_search = search;
    m_whereLabel->setVisible(search != nullptr);
    m_where->setVisible(search != nullptr);
    if (search)
        connectSearch();
    else
        m_where->setCurrentIndex(0);
}

void TArchiveDialog::connectSearch()
{
    connect(m_search, &TServerSearch::busyChanged, this, [this](bool busy) {
        m_progress->setVisible(busy);
        m_cancel->setVisible(busy);
        m_find->setEnabled(!busy);
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_search->cancel();
        m_status->setText(Str::SearchCancelled);
    });
    connect(m_search, &TServerSearch::searched, this, &TArchiveDialog::showFound);
    connect(m_search, &TServerSearch::modelsRead, this, &TArchiveDialog::addModels);
    connect(m_search, &TServerSearch::historyRead, this,
            [this](qint64, const std::vector<TArchiveLabelEntry> &entries, const QString &error) {
                showEntries(m_historyLabel, entries, error);
            });
    connect(m_search, &TServerSearch::detailsLoaded, this,
            [this](const std::vector<TArchiveHit> &hits, const QString &error) {
                if (!error.isEmpty())
                    showFailure(error);
                else if (m_handOnTable)
                    emit openAsTableRequested(hits);
                else
                    emit exportRequested(hits);
            });
}

void TArchiveDialog::whereChanged(int index)
{
    const bool onServer = index == 1 && (m_server || m_search);
    // Without a reader of its own the server is asked through m_search.
    TArchiveReader *reader = onServer ? m_server : m_local;
    if (reader == m_reader && onServer == m_onServer)
        return;
    // The hits name their results in the place they came from: another place, another list,
    // and no late answer from the place left.
    if (m_search)
        m_search->cancel();
    m_reader = reader;
    m_onServer = onServer;
    m_hits->setHits({});
    m_historyPane->hide();
    m_status->clear();
    if (onServer && !m_serverModels) {
        m_serverModels = true;
        if (reader)
            addModels(reader->models());
        else
            m_search->readModels();
    }
}

void TArchiveDialog::setValueTitles(const QStringList &titles)
{
    m_hits->setValueTitles(titles);
}

TArchiveQuery TArchiveDialog::query() const
{
    TArchiveQuery q;
    q.label = m_label->text();
    // Whole days: from the start of the first to the end of the last.
    if (m_fromCheck->isChecked())
        q.from = m_from->date().startOfDay();
    if (m_toCheck->isChecked())
        q.to = m_to->date().addDays(1).startOfDay();
    q.model = m_model->currentData().toString();
    q.limit = m_limit;
    return q;
}

void TArchiveDialog::find()
{
    if (!m_reader) {
        m_status->clear();
        m_search->search(query()); // the answer comes to showFound
        return;
    }
    showFound(m_reader->search(query()));
}

void TArchiveDialog::showFailure(const QString &error)
{
    m_status->setText(
        Str::ArchiveSearchFailed.arg(m_onServer ? ServerMessages::cause(error) : error));
    m_status->setToolTip(error);
}

void TArchiveDialog::showFound(TArchiveSearchResult found)
{
    m_historyPane->hide();
    m_status->setToolTip(QString());
    if (!found.ok) {
        m_hits->setHits({});
        showFailure(found.error);
        return;
    }
    const int count = int(found.hits.size());
    m_hits->setHits(std::move(found.hits));
    m_status->setText(found.truncated ? Str::ArchiveTruncated.arg(count)
                                      : Str::ArchiveFound.arg(count));
    m_view->resizeColumnsToContents();
}

void TArchiveDialog::selectionChanged()
{
    const int rows = m_view->selectionModel()->selectedRows().size();
    m_historyButton->setEnabled(m_view->currentIndex().isValid() || rows > 0);
    m_open->setEnabled(rows > 0);
    m_export->setEnabled(rows > 0);
}

void TArchiveDialog::showHistory()
{
    QModelIndex current = m_view->currentIndex();
    if (!current.isValid()) {
        const QModelIndexList rows = m_view->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return;
        current = rows.first();
    }
    const TArchiveHit &hit = m_hits->hit(current.row());
    if (!m_reader) {
        m_historyLabel = hit.result.label;
        m_search->readHistory(hit.id); // the answer comes to showEntries
        return;
    }
    QString error;
    const std::vector<TArchiveLabelEntry> entries = m_reader->labelHistory(hit.id, &error);
    showEntries(hit.result.label, entries, error);
}

void TArchiveDialog::showEntries(const QString &firstLabel,
                                 const std::vector<TArchiveLabelEntry> &entries,
                                 const QString &error)
{
    QString title = Str::ArchiveFirstLabel.arg(firstLabel);
    if (!error.isEmpty())
        title += QStringLiteral(". ")
                 + Str::ArchiveSearchFailed.arg(m_onServer ? ServerMessages::cause(error) : error);
    else if (entries.empty())
        title += QStringLiteral(". ") + Str::ArchiveNoChanges;
    m_historyTitle->setText(title);
    m_history->setRowCount(int(entries.size()));
    for (int i = 0; i < int(entries.size()); ++i) {
        const TArchiveLabelEntry &e = entries[size_t(i)];
        const QStringList cells = {FormatShortDate(e.at.date()) + QLatin1Char(' ')
                                       + FormatLongTime(e.at.time()),
                                   QString::number(e.row),
                                   e.oldText,
                                   e.newText,
                                   e.osUser,
                                   e.fileName};
        for (int c = 0; c < cells.size(); ++c)
            m_history->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    m_history->resizeColumnsToContents();
    m_historyPane->show();
}

std::vector<TArchiveHit> TArchiveDialog::selectedHits()
{
    std::set<int> rows;
    for (const QModelIndex &i : m_view->selectionModel()->selectedRows())
        rows.insert(i.row());
    std::vector<TArchiveHit> hits;
    hits.reserve(rows.size());
    for (int r : rows)
        hits.push_back(m_hits->hit(r));
    QString error;
    if (!hits.empty() && m_reader && !m_reader->loadDetails(hits, &error)) {
        showFailure(error);
        return {};
    }
    return hits;
}

void TArchiveDialog::handOn(bool toTable)
{
    const std::vector<TArchiveHit> hits = selectedHits();
    if (!m_reader && !hits.empty()) {
        m_handOnTable = toTable;
        m_search->loadDetails(hits); // handed on when the details come
        return;
    }
    if (hits.empty())
        return;
    if (toTable)
        emit openAsTableRequested(hits);
    else
        emit exportRequested(hits);
}
