#include "ManualPage.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <utility>

namespace rure {

namespace {

// The named and escaped characters of the page, as text.
QString unescaped(const QString& roff) {
    static const std::pair<const char*, const char*> escapes[] = {
        {"\\(->", "\u2192"}, {"\\(em", "\u2014"}, {"\\(en", "\u2013"}, {"\\(bu", "\u2022"},
        {"\\(co", "\u00a9"}, {"\\-", "-"},        {"\\%", ""},         {"\\&", ""},
        {"\\e", "\\"},       {"\\ ", " "},
    };
    QString text = roff;
    for (const auto& [escape, character] : escapes) {
        text.replace(QString::fromUtf8(escape), QString::fromUtf8(character));
    }
    return text;
}

// One line of text with its \fB, \fI and \fR (or \fP) font changes.
QString inlineHtml(const QString& roff) {
    QString html;
    QString closing; // the end tag of the font in force
    qsizetype from = 0;
    while (true) {
        const qsizetype at = roff.indexOf(QStringLiteral("\\f"), from);
        html += unescaped(roff.mid(from, at < 0 ? -1 : at - from)).toHtmlEscaped();
        if (at < 0 || at + 2 >= roff.size()) {
            break;
        }
        html += std::exchange(closing, QString());
        const QChar font = roff[at + 2];
        if (font == u'B') {
            html += QStringLiteral("<b>");
            closing = QStringLiteral("</b>");
        } else if (font == u'I') {
            html += QStringLiteral("<i>");
            closing = QStringLiteral("</i>");
        }
        from = at + 3;
    }
    return html + closing;
}

// The words of a macro's line; "quoted words" stay one.
QStringList arguments(const QString& line) {
    QStringList words;
    static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    for (auto match = word.globalMatch(line); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        words << (found.capturedStart(1) >= 0 ? found.captured(1) : found.captured(2));
    }
    return words;
}

// .BR, .RB, .IR, ...: the words alternate between two fonts, without spaces.
QString alternating(const QStringList& words, QChar first, QChar second) {
    QString html;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QChar font = i % 2 == 0 ? first : second;
        const QString text = inlineHtml(words[i]);
        html += font == u'B'   ? QStringLiteral("<b>%1</b>").arg(text)
                : font == u'I' ? QStringLiteral("<i>%1</i>").arg(text)
                               : text;
    }
    return html;
}

} // namespace

QString manualPageToHtml(const QString& roff) {
    QString html;
    QString paragraph;
    bool inDefinitions = false;
    bool termNext = false;
    const auto endParagraph = [&] {
        if (!paragraph.isEmpty()) {
            html += termNext        ? QStringLiteral("<dt>%1</dt>").arg(paragraph)
                    : inDefinitions ? QStringLiteral("<dd>%1</dd>").arg(paragraph)
                                    : QStringLiteral("<p>%1</p>").arg(paragraph);
            paragraph.clear();
        }
    };
    // Text of the paragraph, or the term that .TP announced.
    const auto addText = [&](const QString& text) {
        paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + text;
        if (termNext) {
            endParagraph();
            termNext = false;
        }
    };
    const auto endDefinitions = [&] {
        endParagraph();
        if (inDefinitions) {
            html += QStringLiteral("</dl>");
            inDefinitions = false;
        }
    };
    for (const QString& line : roff.split(u'\n')) {
        if (line.startsWith(QStringLiteral(".\\\"")) || line == QStringLiteral(".")) {
            continue; // a comment
        }
        if (!line.startsWith(u'.')) {
            if (!line.trimmed().isEmpty()) {
                addText(inlineHtml(line));
            }
            continue;
        }
        const qsizetype space = line.indexOf(u' ');
        const QString macro = line.mid(1, space < 0 ? -1 : space - 1);
        const QStringList words = arguments(space < 0 ? QString() : line.mid(space + 1));
        if (macro == QStringLiteral("TH")) {
            html += QStringLiteral("<h1>%1</h1>").arg(words.value(0).toLower().toHtmlEscaped());
        } else if (macro == QStringLiteral("SH") || macro == QStringLiteral("SS")) {
            endDefinitions();
            const QString level =
                macro == QStringLiteral("SH") ? QStringLiteral("h2") : QStringLiteral("h3");
            html += QStringLiteral("<%1>%2</%1>").arg(level, inlineHtml(words.join(u' ')));
        } else if (macro == QStringLiteral("PP") || macro == QStringLiteral("LP") ||
                   macro == QStringLiteral("P")) {
            endDefinitions();
        } else if (macro == QStringLiteral("TP") || macro == QStringLiteral("IP")) {
            endParagraph();
            if (!inDefinitions) {
                html += QStringLiteral("<dl>");
                inDefinitions = true;
            }
            termNext = macro == QStringLiteral("TP");
            if (macro == QStringLiteral("IP") && !words.isEmpty()) {
                html += QStringLiteral("<dt>%1</dt>").arg(inlineHtml(words[0]));
            }
        } else if (macro == QStringLiteral("br")) {
            paragraph += QStringLiteral("<br>");
        } else if (macro == QStringLiteral("B") || macro == QStringLiteral("I")) {
            addText(alternating({words.join(u' ')}, macro[0], macro[0]));
        } else if (macro.size() == 2 && QStringLiteral("BIR").contains(macro[0]) &&
                   QStringLiteral("BIR").contains(macro[1])) {
            addText(alternating(words, macro[0], macro[1]));
        }
        // Other requests (.nh, .ad, .sp, ...) only shape the printed page.
    }
    endDefinitions();
    return html;
}

QString bundledManualHtml() {
    QFile page(QStringLiteral(":/rure/manual/rure.1"));
    if (!page.open(QIODevice::ReadOnly)) {
        return {};
    }
    return manualPageToHtml(QString::fromUtf8(page.readAll()));
}

} // namespace rure
