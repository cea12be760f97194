#include "Extrairlog.h"

#include "DeviceCall.h"
#include "Fields.h"
#include "Screens.h"
#include "Tiles.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TForm14::TForm14(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Logs", QSize(827, 444)), messages_(this), SaveLOG(this)
{
    setObjectName("Form14");
    setFont(tahoma());
    Image1 = new ImageButton("Image1", ":/icons/run.svg", "Extrair logs", 48, this);
    Image1->setFixedHeight(63);
    Image1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Image1->setFocusPolicy(Qt::StrongFocus);
    Image2 = new ImageButton("Image2", ":/icons/save.svg", "Salvar logs", 48, this);
    Image2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Image2->setFocusPolicy(Qt::StrongFocus);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Logs");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1, 0);
    layout->addWidget(Image2, 1);
    layout->addWidget(Memo1, 0);
    Memo1->setFixedHeight(307);
    memo_ = std::make_unique<TextAreaSink>(Memo1);
    extractor_ = std::make_unique<LogExtractor>(screens.client);

    connect(Image1, &QToolButton::clicked, this, &TForm14::Image1Click);
    connect(Image2, &QToolButton::clicked, this, &TForm14::Image2Click);
}

TForm14::~TForm14() = default;

void TForm14::extract()
{
    const auto extracted = devicecall::run([this] { return extractor_->extract(); });
    if (!extracted)
        return;
    messages_.show(*extracted);
    if (extracted->lines.count > 0)
        memo_->appendLines(extracted->lines.text());
}

void TForm14::Image1Click()
{
    extract();
}

void TForm14::Image2Click()
{
    std::vector<std::string> text;
    for (const QString& line : lines())
        text.push_back(utf8(line));
    // A cancelled dialog writes nothing.
    if (const auto path = SaveLOG.chooseFileToSave()) {
        if (const auto failure = LogExtractor::saveLog(*path, text))
            messages_.showMessage(*failure);
    }
}

QStringList TForm14::lines() const
{
    return shownLines(Memo1);
}
