#pragma once

#include <QLineEdit>

#include <string>
#include <string_view>

class QLabel;

// A CNPJ field: two digits, dot, three, dot, three, slash, four, hyphen, two. Positions not
// typed read as blanks and the punctuation stays in the text.
class CnpjField : public QLineEdit {
    Q_OBJECT
public:
    CnpjField(const QString& objectName, QWidget* parent);

    // The whole text as shown, "  .   .   /    -  " when nothing is typed.
    QString maskedText() const { return displayText(); }

    static constexpr const char* untouchedText = "  .   .   /    -  ";

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A field that shows "*" for each character typed.
QLineEdit* secretField(const QString& objectName, QWidget* parent);

// The label of a field: the field is its buddy and carries the caption as accessible name.
QLabel* fieldLabel(const QString& caption, QWidget* field, QWidget* parent);

std::string utf8(const QString& text);
QString fromUtf8(std::string_view text);
