#include "app/grid_models.h"

#include "portfolio/grid_format.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// MASTER's names are 8-bit text of the DOS days: shown byte for byte as Latin-1, so no name
// is lost to a decoding error.
QString StoredText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PortfolioListModel::PortfolioListModel(const portfolio::ViewState& view, QObject* parent)
    : QAbstractListModel(parent), m_view(view) {}

int PortfolioListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_view.portfolios.size());
}

QVariant PortfolioListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return TextOf(m_view.portfolios[row]);
        case kSkippedRole: {
            if (row >= m_marks.size()) {
                return false;
            }
            if (!m_marks[row]) {
                m_marks[row] = portfolio::PortfolioListMark(m_view.portfolios[row]);
                if (*m_marks[row] == portfolio::PortfolioSkipMark::kUnknown) {
                    // Not from inside the drawing: the box would paint over it.
                    auto* self = const_cast<PortfolioListModel*>(this);
                    QMetaObject::invokeMethod(
                        self, [self, at = index.row()] { emit self->UnknownMarkShown(at); },
                        Qt::QueuedConnection);
                }
            }
            return *m_marks[row] == portfolio::PortfolioSkipMark::kSkipped;
        }
        default:
            return {};
    }
}

void PortfolioListModel::Reset() {
    beginResetModel();
    m_marks.assign(m_view.portfolios.size(), std::nullopt);
    endResetModel();
}

void PortfolioListModel::RefreshMark(int row) {
    if (row < 0 || row >= static_cast<int>(m_marks.size())) {
        return;
    }
    m_marks[static_cast<std::size_t>(row)].reset();
    emit dataChanged(index(row), index(row), {kSkippedRole});
}

SymbolGridModel::SymbolGridModel(const portfolio::ViewState& view, QObject* parent)
    : QAbstractTableModel(parent), m_view(view) {}

int SymbolGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_view.SymbolCount();
}

int SymbolGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : portfolio::kSymbolColumns;
}

QVariant SymbolGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const portfolio::SymbolRow& row = m_view.symbolRows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return StoredText(portfolio::SymbolCellText(row, index.column()));
        case kSkippedRole:
            return m_view.skipList.size() == portfolio::kSkipListLength &&
                   portfolio::IsSkipped(m_view.skipList, row.FileNumber());
        case kFileNumberRole:
            return row.FileNumber();
        default:
            return {};
    }
}

QVariant SymbolGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
        case 0:
            return tr("Symbol");
        case 1:
            return tr("Name");
        case 2:
            return tr("Profile");
        default:
            return {};
    }
}

void SymbolGridModel::Reset() {
    beginResetModel();
    endResetModel();
}

void SymbolGridModel::RefreshSkipMarks() {
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {kSkippedRole});
    }
}

QuoteGridModel::QuoteGridModel(const portfolio::ViewState& view, QObject* parent)
    : QAbstractTableModel(parent), m_view(view) {}

int QuoteGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_view.QuoteCount();
}

int QuoteGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : portfolio::QuoteColumnCount(m_view.quotesHaveTime);
}

QVariant QuoteGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            // Formatted when shown: a grid of 16,000 quotes formats only the rows in sight.
            return TextOf(portfolio::QuoteCellText(
                m_view.quotes[static_cast<std::size_t>(index.row())], index.column(),
                portfolio::IntegerDisplayOf(m_view.settings), m_view.quotesHaveTime));
        case Qt::TextAlignmentRole:
            return index.column() == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant QuoteGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (m_view.quotesHaveTime && section >= portfolio::kTimeColumn) {
        if (section == portfolio::kTimeColumn) {
            return tr("Time");
        }
        --section;
    }
    switch (section) {
        case 0:
            return tr("Date");
        case 1:
            return tr("Open");
        case 2:
            return tr("High");
        case 3:
            return tr("Low");
        case 4:
            return tr("Close");
        case 5:
            return tr("Volume");
        case 6:
            return tr("Open Interest");
        default:
            return {};
    }
}

void QuoteGridModel::Reset() {
    beginResetModel();
    endResetModel();
}

}  // namespace ticksmith::app
