#pragma once

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <optional>
#include <vector>

#include "portfolio/skip_list.h"
#include "portfolio/view_state.h"

namespace ticksmith::app {

// Roles the grid delegate reads beside the display text.
enum GridRole {
    kSkippedRole = Qt::UserRole + 1,  // bool: drawn in the skipped colours
    kFileNumberRole,                  // int: the symbol row's F<n> number
};

// The portfolio list over the view state's entries, with each entry's skip mark.
class PortfolioListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    explicit PortfolioListModel(const portfolio::ViewState& view, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // After the entries changed.
    void Reset();
    // After one entry's skip file changed.
    void RefreshMark(int row);

  signals:
    // An entry in sight whose skip file is too short to say (told once the drawing is done).
    void UnknownMarkShown(int row);

  private:
    const portfolio::ViewState& m_view;
    // Read when an entry is first drawn: a list of a thousand portfolios reads only the skip
    // files of the entries in sight.
    mutable std::vector<std::optional<portfolio::PortfolioSkipMark>> m_marks;
};

// The symbol grid: Symbol, Name, Profile, in the view state's order.
class SymbolGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit SymbolGridModel(const portfolio::ViewState& view, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Reset();
    // After the skip flags changed: the colours only.
    void RefreshSkipMarks();

  private:
    const portfolio::ViewState& m_view;
};

// The quote grid: newest quote first, formatted as the integer display settings say.
class QuoteGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit QuoteGridModel(const portfolio::ViewState& view, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Reset();

  private:
    const portfolio::ViewState& m_view;
};

}  // namespace ticksmith::app
