#include "Sale.h"

#include "DeviceCall.h"
#include "Fields.h"
#include "Screens.h"
#include "Tiles.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* textArea(const char* name, QWidget* parent)
{
    auto* area = new QPlainTextEdit(parent);
    area->setObjectName(name);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on, so the keyboard is never caught in an area.
    area->setTabChangesFocus(true);
    return area;
}

} // namespace

TFiscal::TFiscal(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Fiscal", QSize(731, 400)), messages_(this), files_(this),
      // The areas are made here, before the component that writes to them.
      input_(XMLEntrada = textArea("XMLEntrada", this)), answer_(Memo1 = textArea("Memo1", this)),
      output_(XMLSaida = textArea("XMLSaida", this)), sale_(screens.client)
{
    setObjectName("Fiscal");
    setFont(tahoma());

    RadioGroup1 = new QGroupBox(" Operação ", this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioButton1 = new QRadioButton("Vender", RadioGroup1);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton("Cancelar Venda", RadioGroup1);
    RadioButton2->setObjectName("RadioButton2");
    auto* options = new QHBoxLayout(RadioGroup1);
    options->addWidget(RadioButton1);
    options->addWidget(RadioButton2);

    Image5 = new ImageButton("Image5", ":/icons/folder.svg", "Abrir XML de entrada", 40, this);
    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Enviar", 40, this);
    Image4 = new ImageButton("Image4", ":/icons/save.svg", "Salvar XML de saída", 40, this);
    connect(Image5, &QToolButton::clicked, this, &TFiscal::Image5Click);
    connect(Image2, &QToolButton::clicked, this, &TFiscal::Image2Click);
    connect(Image4, &QToolButton::clicked, this, &TFiscal::Image4Click);

    // The input area has no label on the screen; it carries its name all the same.
    XMLEntrada->setAccessibleName("XML Entrada");
    Label2 = fieldLabel("Resposta SAT", Memo1, this);
    Label2->setObjectName("Label2");
    Label1 = fieldLabel("XML Saída", XMLSaida, this);
    Label1->setObjectName("Label1");

    auto* top = new QHBoxLayout;
    top->addWidget(RadioGroup1);
    top->addStretch(1);
    top->addWidget(Image5);
    top->addWidget(Image2);
    top->addWidget(Image4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(XMLEntrada, 2);
    layout->addWidget(Label2);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Label1);
    layout->addWidget(XMLSaida, 2);

    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, Image5);
    setTabOrder(Image5, Image2);
    setTabOrder(Image2, Image4);
    setTabOrder(Image4, XMLEntrada);
    setTabOrder(XMLEntrada, Memo1);
    setTabOrder(Memo1, XMLSaida);
}

void TFiscal::Image5Click()
{
    const SaleTest::Loaded loaded = sale_.load(files_.chooseFileToOpen());
    if (loaded.entry)
        input_.appendLine(*loaded.entry);
    if (loaded.message)
        messages_.showMessage(*loaded.message);
}

void TFiscal::Image2Click()
{
    // A press while another call is out must not empty the areas it is about to fill.
    if (devicecall::running())
        return;
    const SaleTest::Operation operation =
        RadioButton1->isChecked() ? SaleTest::Operation::Sale : SaleTest::Operation::Cancel;
    SaleTest::Reply reply = sale_.begin(operation);
    if (reply.input) {
        for (TextAreaSink* area : {&input_, &answer_, &output_})
            area->clear();
        input_.appendLine(*reply.input);
    }
    if (reply.ready) {
        const auto called = devicecall::run([&] { return sale_.call(operation); });
        if (!called)
            return;
        reply = *called;
    }
    if (reply.answer)
        answer_.appendLine(*reply.answer);
    messages_.show(reply);
    if (reply.output)
        output_.appendLine(*reply.output);
    takeFocusBack(Image2);
}

void TFiscal::Image4Click()
{
    save();
    takeFocusBack(Image4);
}

void TFiscal::save()
{
    const std::vector<std::string> lines = output_.lines();
    if (!SaleTest::holdsOutput(lines)) {
        messages_.showMessage(SaleTest::nothingToSaveMessage);
        return;
    }
    // A cancelled dialog writes nothing.
    if (const auto path = files_.chooseFileToSave()) {
        const textfile::WriteResult written = SaleTest::saveOutput(*path, lines);
        if (!written.ok)
            messages_.showMessage(written.error);
    }
}

void TFiscal::takeFocusBack(QWidget* control)
{
    activateWindow();
    control->setFocus(Qt::OtherFocusReason);
}
