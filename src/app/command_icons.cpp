#include "app/command_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace ticksmith::app {

namespace {

struct Badge {
    CommandId id;
    const char* glyph;
};

constexpr Badge kBadges[] = {
    {CommandId::kUpdateQuotes, "Up"},    {CommandId::kSettings, "St"},
    {CommandId::kProfiles, "Pf"},        {CommandId::kPortfolioAdd, "P+"},
    {CommandId::kPortfolioDelete, "P-"}, {CommandId::kPortfolioSkipAdjust, "PS"},
    {CommandId::kSplitSearch, "Sp"},     {CommandId::kRescan, "Rs"},
    {CommandId::kSymbolAdd, "S+"},       {CommandId::kSymbolDelete, "S-"},
    {CommandId::kSymbolMove, "Mv"},      {CommandId::kSymbolCopy, "Cp"},
    {CommandId::kSymbolSkip, "Sk"},      {CommandId::kSymbolEdit, "Ed"},
    {CommandId::kSymbolAbout, "i"},      {CommandId::kGraph, "Gr"},
    {CommandId::kImport, "In"},          {CommandId::kExport, "Ex"},
    {CommandId::kQuoteEdit, "QE"},       {CommandId::kQuoteSplit, "QS"},
    {CommandId::kQuoteAdjust, "QA"},     {CommandId::kQuoteAdd, "Q+"},
    {CommandId::kQuoteDelete, "Q-"},     {CommandId::kRecentAll, "30"},
};

QColor ColourOf(Menu menu) {
    switch (menu) {
        case Menu::kFile:
            return {38, 110, 168};
        case Menu::kPortfolio:
            return {46, 125, 50};
        case Menu::kSymbol:
            return {142, 68, 173};
        case Menu::kQuotes:
            return {191, 96, 0};
        case Menu::kHelp:
            break;
    }
    return {90, 90, 90};
}

// Drawn at whatever size and scale the toolbar asks for.
class BadgeEngine : public QIconEngine {
  public:
    BadgeEngine(QString glyph, QColor colour) : m_glyph(std::move(glyph)), m_colour(colour) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State /*state*/) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QColor fill = m_colour;
        if (mode == QIcon::Disabled) {
            fill = QColor(170, 170, 170);
        }
        const QRectF box = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, box.width() * 0.2, box.height() * 0.2);
        painter->fillPath(path, fill);
        QFont font = painter->font();
        font.setBold(true);
        font.setPixelSize(
            std::max(6, static_cast<int>(rect.height() * (m_glyph.size() > 1 ? 0.5 : 0.7))));
        painter->setFont(font);
        painter->setPen(Qt::white);
        painter->drawText(rect, Qt::AlignCenter, m_glyph);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap image(size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return image;
    }

    QIconEngine* clone() const override { return new BadgeEngine(m_glyph, m_colour); }

  private:
    QString m_glyph;
    QColor m_colour;
};

}  // namespace

QIcon CommandIcon(CommandId id) {
    for (const Badge& badge : kBadges) {
        if (badge.id != id) {
            continue;
        }
        return QIcon(
            new BadgeEngine(QString::fromLatin1(badge.glyph), ColourOf(CommandOf(id).menu)));
    }
    return {};
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/ticksmith-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace ticksmith::app
