#include "SaleTest.h"
#include "AppContext.h"
#include "Recorders.h"
#include "SatClient.h"
#include "Table.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::optional<std::string>>;

const std::string key = "CFe35260148213907000165599000001230000011234567";
const std::string otherKey = "CFe35260148213907000165599000001230000022345678";

// A device's sale answer: the Base64 CF-e comes before the key.
std::string saleAnswer(const std::string& base64, const std::string& cfeKey,
                       const std::string& message = "Emitido com sucesso + conteúdo notas.")
{
    return "000012|06000|0000|" + message + "|||" + base64 + "|20260108120000|" + cfeKey +
           "|000000000037.80||TWVzc2FnZW0gZGUgYXNzaW5hdHVyYQ==";
}

const std::string returnedCfe = "<CFe><infCFe Id=\"" + key +
                                "\" versao=\"0.07\"><infAdic><infCpl>Pedido 10-00!^ "
                                "entregue</infCpl></infAdic></infCFe></CFe>";

const std::string cancelDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFeCanc>\n"
                                   "  <infCFe chCanc=\"CFe" +
                                   std::string(44, '0') +
                                   "\">\n    <dEmi/>\n    <hEmi/>\n  </infCFe>\n</CFeCanc>\n";

const std::string saleDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFe>\n"
                                 "  <infCFe versaoDadosEnt=\"0.07\">\n"
                                 "    <det nItem=\"1\"><prod><xProd>CAFÉ TORRADO</xProd></prod>"
                                 "</det>\n  </infCFe>\n</CFe>\n";

// ---- The key in a sale answer ----

// The sale's answer, and the key found in it.
using SaleKey = TableTest<std::string, std::optional<std::string>>;

TEST_P(SaleKey, IsTheFirstFieldOfCFeAnd44DigitsThatABarEnds)
{
    const auto found = SaleTest::findKey(GetParam().input);
    ASSERT_EQ(found.has_value(), GetParam().expected.has_value());
    if (found) {
        EXPECT_EQ(std::string(*found), *GetParam().expected);
    }
}

INSTANTIATE_TABLE(
    SaleTest, SaleKey, {"standard", saleAnswer("PENGZT4=", key), key},
    {"cfeInsideBase64", saleAnswer("PENGZTxCFeQ0ZlMzUy", key), key},
    {"cfeInsideAnEarlierField", "000012|06000|0000|Emitido: CFe ok|" + key + "|", key},
    {"cfeInsideBase64WithoutKeyField", "000012|06000|0000|ok|PENGZTxCFeQ0Zl|", {}},
    {"cfeWithoutBarAfter", "000012|06000|0000|sucesso|" + key, {}},
    {"firstField", key + "|resto", key}, {"firstOfTwoKeys", "x|" + key + "|" + otherKey + "|", key},
    {"emptyAnswer", "", {}}, {"lowerCaseIsNoKey", "x|cfe35|CFE35|", {}},
    {"justThePrefixIsNoKey", "x|CFe|", {}},
    {"fieldFillingTheBufferIsNoKey", "x|CFe" + std::string(296, '1') + "|", {}},
    {"tooLongIsNoKey", "x|CFe" + std::string(297, '1') + "|", {}},
    {"tooLongThenAKey", "x|CFe" + std::string(400, 'A') + "|" + key + "|", key},
    {"43DigitsIsNoKey", "x|" + key.substr(0, 46) + "|", {}},
    {"45DigitsIsNoKey", "x|" + key + "1|", {}},
    {"letterAmongTheDigitsIsNoKey", "x|CFe" + std::string(43, '1') + "A|", {}},
    {"blankAfterTheDigitsIsNoKey", "x|" + key + " |", {}},
    {"markupIsNoKey", "x|CFe1\"/><evil a=\"|", {}},
    {"markupThenAKey", "x|CFe1\"/><evil a=\"|" + key + "|", key},
    // "CFe" and 22 two-byte Arabic-Indic digits, 47 bytes: digits, but not ASCII ones.
    {"otherDigitsAreNoKey",
     [] {
         std::string field = "x|CFe";
         for (int i = 0; i < 22; ++i)
             field += "\xD9\xA3";
         return field + "|";
     }(),
     {}});

// ---- The key written into a cancel document ----

struct Substitution {
    std::string document;
    std::string key;
};

using KeySubstitution = TableTest<Substitution, std::string>; // and the document after it

TEST_P(KeySubstitution, OverwritesFromTheCharacterAfterTheQuote)
{
    std::string document = GetParam().input.document;
    SaleTest::substituteKey(document, GetParam().input.key);
    EXPECT_EQ(document, GetParam().expected);
}

INSTANTIATE_TABLE(
    SaleTest, KeySubstitution,
    {"placeholder",
     {"<a chCanc=\"CFe" + std::string(44, '0') + "\"/>", key},
     "<a chCanc=\"" + key + "\"/>"},
    {"firstOccurrenceOnly", {"\"CFe000\" \"CFe000\"", "CFe123"}, "\"CFe123\" \"CFe000\""},
    {"shorterKeyLeavesTheRest", {"\"CFe000000\"", "CFe12"}, "\"CFe120000\""},
    {"noQuoteBeforeCFe", {"<a chCanc='CFe000'/> CFe000", key}, "<a chCanc='CFe000'/> CFe000"},
    {"caseMatters", {"\"CFE000\"", key}, "\"CFE000\""},
    {"emptyKey", {"\"CFe000\"", ""}, "\"CFe000\""},
    {"growsPastTheEnd", {"x=\"CFe1", key}, "x=\"" + key},
    {"quoteInsideKeyNotSearchedAgain", {"\"CFe0\"CFe0", "C\"CFe"}, "\"C\"CFeCFe0"});

TEST(KeySubstitutionLimit, NeverGrowsTheDocumentPastItsArea)
{
    std::string document(SaleTest::inputCapacity - 10, 'x');
    document += "\"CFe";
    SaleTest::substituteKey(document, key);
    EXPECT_EQ(document.size(), SaleTest::inputCapacity);
    EXPECT_EQ(document.substr(SaleTest::inputCapacity - 9), key.substr(0, 9));
}

// ---- The dialog's operations against the scripted device ----

class SaleTestFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(context.setActivationCode("12345678"));
        folder = fs::temp_directory_path() /
                 ("vexor-sale-" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string file(const std::string& name, const std::string& bytes)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    void load(const std::string& bytes, const std::string& name = "documento.xml")
    {
        files.answers.push_back(file(name, bytes));
        loadInput();
    }
    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The argument bytes of the first call of a function.
    Args argsOf(const std::string& function) const
    {
        for (const TestDevice::Call& call : device.calls())
            if (call.function == function)
                return call.args;
        return {};
    }
    void sellWithKey(const std::string& cfeKey)
    {
        load(saleDocument, "venda.xml");
        const std::string base64 = TestDevice::base64(returnedCfe);
        device.script("EnviarDadosVenda", {saleAnswer(base64, cfeKey), 0, "Emitido", base64});
        send(SaleTest::Operation::Sale);
    }

    TestDevice device{std::string(SatClient::librarySAT)};
    AppContext context;
    SatClient client{context};
    RecordedMessages messages;
    QueuedFiles files;
    RecordedTextArea input;
    RecordedTextArea answer;
    RecordedTextArea output;
    SaleTest sale{client};
    fs::path folder;

    // What the screen makes of a load, a send and a save, on the test's areas.
    void loadInput(SaleTest& into)
    {
        const SaleTest::Loaded loaded = into.load(files.chooseFileToOpen());
        if (loaded.entry)
            input.appendLine(*loaded.entry);
        if (loaded.message)
            messages.showMessage(*loaded.message);
    }
    void loadInput() { loadInput(sale); }
    bool send(SaleTest::Operation operation, SaleTest& from)
    {
        const SaleTest::Reply reply = from.send(operation);
        lastKind = reply.kind;
        if (reply.input) {
            for (RecordedTextArea* area : {&input, &answer, &output})
                area->clear();
            input.appendLine(*reply.input);
        }
        // Each recorder keeps its own order: that of the areas and the messages is the screen's.
        for (const auto& [text, area] :
             {std::pair{&reply.answer, &answer}, {&reply.output, &output}})
            if (*text)
                area->appendLine(**text);
        messages.shown.insert(messages.shown.end(), reply.messages.begin(), reply.messages.end());
        return reply.done();
    }
    bool send(SaleTest::Operation operation) { return send(operation, sale); }
    Outcome::Kind lastKind = Outcome::Kind::Done;
    bool saveOutput()
    {
        const std::vector<std::string> lines = output.lines();
        if (!SaleTest::holdsOutput(lines)) {
            messages.showMessage(SaleTest::nothingToSaveMessage);
            return false;
        }
        const std::optional<std::string> path = files.chooseFileToSave();
        if (!path)
            return false;
        const textfile::WriteResult written = SaleTest::saveOutput(*path, lines);
        if (!written.ok)
            messages.showMessage(written.error);
        return written.ok;
    }
};

TEST_F(SaleTestFixture, ASuccessfulSaleStoresTheKeyAndShowsTheReturnedCfe)
{
    // In a real answer the Base64 CF-e can hold "CFe" by chance: the key is not taken from it.
    const std::string base64 = TestDevice::base64(returnedCfe);
    ASSERT_NE(base64.find("CFe"), std::string::npos);
    const std::string answerText = saleAnswer(base64, key);
    load(saleDocument);
    device.script("EnviarDadosVenda", {answerText, 0, "Emitido com sucesso", base64});
    send(SaleTest::Operation::Sale);

    EXPECT_EQ(sale.cfeKey(), key);
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro", "Base64ToAscii"}));
    EXPECT_EQ(argsOf("EnviarDadosVenda"),
              (Args{"12", "12345678",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFe>\n"
                    "  <infCFe versaoDadosEnt=\"0.07\">\n"
                    "    <det nItem=\"1\"><prod><xProd>CAF\xC9 TORRADO</xProd></prod>"
                    "</det>\n  </infCFe>\n</CFe>\n"}));
    EXPECT_EQ(input.entries, std::vector<std::string>{saleDocument});
    EXPECT_EQ(answer.entries, std::vector<std::string>{answerText});
    EXPECT_EQ(output.entries, std::vector<std::string>{returnedCfe});
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{SatClient::detailText("Emitido com sucesso")});

    // A later cancel uses that key.
    load(cancelDocument, "cancelamento.xml");
    send(SaleTest::Operation::Cancel);
    const Args cancel = argsOf("CancelarUltimaVenda");
    ASSERT_EQ(cancel.size(), 4u);
    EXPECT_EQ(cancel[2], key);
    EXPECT_EQ(cancel[3], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFeCanc>\n"
                         "  <infCFe chCanc=\"" +
                             key + "\">\n    <dEmi/>\n    <hEmi/>\n  </infCFe>\n</CFeCanc>\n");
}

// The owner hears of the key before CodigoErro, so that it can keep the key where a library
// that crashes later cannot take it.
TEST_F(SaleTestFixture, TheOwnerIsToldTheKeyBeforeTheNextLibraryCall)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> told; // key, calls so far
    sale.setKeyListener(
        [&](const std::string& given) { told.emplace_back(given, device.functions()); });
    sellWithKey(key);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, key);
    EXPECT_EQ(told[0].second, std::vector<std::string>{"EnviarDadosVenda"});
    EXPECT_EQ(device.functions(),
              (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro", "Base64ToAscii"}));

    // Neither an answer without a key, a key given from outside nor a cancel tell it again.
    device.script("EnviarDadosVenda", {"000012|06010|1999|Rejeitado|CFe123|"});
    send(SaleTest::Operation::Sale);
    ASSERT_TRUE(sale.rememberKey(otherKey));
    load(cancelDocument);
    send(SaleTest::Operation::Cancel);
    EXPECT_EQ(told.size(), 1u);
}

TEST_F(SaleTestFixture, ASaleWhoseCfeCannotBeFetchedStillKeepsItsKey)
{
    const std::string partial = TestDevice::file("dllsat_partial");
    TestDevice older{partial};
    AppContext olderContext; // the handle it keeps is that library's
    ASSERT_TRUE(olderContext.setActivationCode("12345678"));
    SatClient olderClient{olderContext, partial};
    SaleTest olderSale{olderClient};
    std::vector<std::string> told;
    olderSale.setKeyListener([&](const std::string& given) { told.push_back(given); });
    files.answers.push_back(file("venda.xml", saleDocument));
    loadInput(olderSale);
    older.script("EnviarDadosVenda", {saleAnswer("PENGZT4=", key), 0, "Emitido"});

    EXPECT_FALSE(send(SaleTest::Operation::Sale, olderSale));
    EXPECT_EQ(olderSale.cfeKey(), key);
    EXPECT_EQ(told, std::vector<std::string>{key});
    EXPECT_EQ(older.functions(), (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro"}));
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{SatClient::detailText("Emitido"),
                                        "A função \"Base64ToAscii\" não foi encontrada na "
                                        "biblioteca do SAT \"" +
                                            partial + "\"."}));
    EXPECT_TRUE(output.entries.empty());
}

TEST_F(SaleTestFixture, AnAnswerWithCFeButNoBarAfterItKeepsThePreviousKey)
{
    sellWithKey(key);
    ASSERT_EQ(sale.cfeKey(), key);
    device.script("EnviarDadosVenda", {"000012|06000|0000|Emitido com sucesso|" + otherKey});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(sale.cfeKey(), key);
}

// A field that only starts with "CFe" must never reach a cancel document, and the answer is
// cut at a real key only.
TEST_F(SaleTestFixture, AFieldThatOnlyStartsWithCFeKeepsThePreviousKeyAndTheAnswerWhole)
{
    sellWithKey(key);
    const std::string answerText =
        "000012|06000|0000|Emitido|CFe1\"/><evil a=\"|Emitido com sucesso";
    device.script("EnviarDadosVenda", {answerText, 0, "Emitido", TestDevice::base64("<CFe/>")});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(sale.cfeKey(), key);
    EXPECT_EQ(device.functions().back(), "Base64ToAscii"); // "sucesso" after the field counts
    EXPECT_EQ(output.entries, std::vector<std::string>{"<CFe/>"});

    load(cancelDocument);
    send(SaleTest::Operation::Cancel);
    const Args cancel = argsOf("CancelarUltimaVenda");
    ASSERT_EQ(cancel.size(), 4u);
    EXPECT_EQ(cancel[2], key);
    EXPECT_NE(cancel[3]->find("chCanc=\"" + key + "\""), std::string::npos);
}

TEST_F(SaleTestFixture, ABase64FieldHoldingCFeIsNoKeyWhenTheAnswerHasNone)
{
    load(saleDocument);
    device.script("EnviarDadosVenda",
                  {"000012|06010|1999|Erro|||" + TestDevice::base64(returnedCfe) + "|"});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(sale.cfeKey(), "");
}

TEST_F(SaleTestFixture, WhatFollowsTheKeyIsNotSearchedForSucesso)
{
    const std::string answerText = "000012|06000|0000|Emitido|" + key + "|Emitido com sucesso";
    load(saleDocument);
    device.script("EnviarDadosVenda", {answerText});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(sale.cfeKey(), key);
    EXPECT_EQ(answer.entries, std::vector<std::string>{answerText});
    EXPECT_TRUE(output.entries.empty());
    EXPECT_EQ(device.functions(), (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro"}));
}

TEST_F(SaleTestFixture, ASecondCancelSendsTheSameSubstitutedText)
{
    sellWithKey(key);
    load(cancelDocument);
    send(SaleTest::Operation::Cancel);
    send(SaleTest::Operation::Cancel);
    std::vector<Args> cancels;
    for (const TestDevice::Call& call : device.calls())
        if (call.function == "CancelarUltimaVenda")
            cancels.push_back(call.args);
    ASSERT_EQ(cancels.size(), 2u);
    EXPECT_EQ(cancels[0], cancels[1]);
    EXPECT_NE(cancels[0][3]->find("chCanc=\"" + key + "\""), std::string::npos);
    EXPECT_EQ(input.entries, std::vector<std::string>{*cancels[0][3]});
}

TEST_F(SaleTestFixture, ACancelWithoutASaleSendsAnEmptyKeyAndTheDocumentUnchanged)
{
    load(cancelDocument);
    send(SaleTest::Operation::Cancel);
    EXPECT_EQ(argsOf("CancelarUltimaVenda"), (Args{"12", "12345678", "", cancelDocument}));
    EXPECT_EQ(sale.inputDocument(), cancelDocument);
}

TEST_F(SaleTestFixture, LoadingTwiceShowsBothAndSendsOnlyTheSecond)
{
    load("<primeiro/>", "a.xml");
    load("<segundo/>", "b.xml");
    EXPECT_EQ(input.entries, (std::vector<std::string>{"<primeiro/>", "<segundo/>"}));
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(argsOf("EnviarDadosVenda"), (Args{"12", "12345678", "<segundo/>"}));
    EXPECT_EQ(input.entries, std::vector<std::string>{"<segundo/>"});
}

TEST_F(SaleTestFixture, ACancelledOpenDialogLeavesNothingToSend)
{
    load(saleDocument);
    loadInput(); // no file queued: the dialog is cancelled
    EXPECT_EQ(files.asked, 2);
    EXPECT_EQ(sale.inputDocument(), "");
    EXPECT_EQ(input.entries, std::vector<std::string>{saleDocument});
    for (const auto operation : {SaleTest::Operation::Sale, SaleTest::Operation::Cancel})
        send(operation);
    EXPECT_EQ(messages.shown, (std::vector<std::string>{std::string(SaleTest::noInputMessage),
                                                        std::string(SaleTest::noInputMessage)}));
    EXPECT_TRUE(device.calls().empty());
    EXPECT_EQ(input.clears, 0);
}

TEST_F(SaleTestFixture, AFileThatCannotBeOpenedIsToldAndLeavesNothingToSend)
{
    load(saleDocument);
    files.answers.push_back((folder / "nao-existe.xml").string());
    loadInput();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with("Não foi possível abrir o arquivo"));
    EXPECT_NE(messages.shown[0].find("nao-existe.xml"), std::string::npos);
    EXPECT_EQ(sale.inputDocument(), "");
    EXPECT_EQ(input.entries, std::vector<std::string>{saleDocument});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(messages.shown.back(), SaleTest::noInputMessage);
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(SaleTestFixture, EachSendClearsTheThreeAreas)
{
    sellWithKey(key);
    input.appendLine("digitado");
    answer.appendLine("digitado");
    output.appendLine("digitado");
    device.script("EnviarDadosVenda", {"000012|06010|Recusado"});
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(input.clears, 2);
    EXPECT_EQ(answer.clears, 2);
    EXPECT_EQ(output.clears, 2);
    EXPECT_EQ(input.entries, std::vector<std::string>{saleDocument});
    EXPECT_EQ(answer.entries, std::vector<std::string>{"000012|06010|Recusado"});
    EXPECT_TRUE(output.entries.empty());
}

// ---- A key given from outside ----

// The key given, and whether it is taken.
class RememberedKey : public SaleTestFixture,
                      public testing::WithParamInterface<Row<std::string, bool>> {};

TEST_P(RememberedKey, IsTakenOnlyWhenItIsACfeKey)
{
    sellWithKey(otherKey);
    EXPECT_EQ(sale.rememberKey(GetParam().input), GetParam().expected);
    const std::string expected = GetParam().expected ? GetParam().input : otherKey;
    EXPECT_EQ(sale.cfeKey(), expected);
    load(cancelDocument);
    send(SaleTest::Operation::Cancel);
    const Args cancel = argsOf("CancelarUltimaVenda");
    ASSERT_EQ(cancel.size(), 4u);
    EXPECT_EQ(cancel[2], expected);
    EXPECT_NE(cancel[3]->find("chCanc=\"" + expected + "\">"), std::string::npos) << *cancel[3];
}

INSTANTIATE_TABLE(SaleTest, RememberedKey, {"key", key, true}, {"empty", "", false},
                  {"prefixOnly", "CFe", false}, {"shortKey", "CFe999", false},
                  {"longerKey", key + "0", false}, {"markup", "CFe1\"/><evil a=\"", false},
                  {"lowerCase", "cfe" + key.substr(3), false}, {"lineEndKept", key + "\n", false});

// ---- What the file holds and what each call receives ----

struct Reached {
    std::string document; // the input document after loading
    std::string shown;    // in XMLEntrada
    std::string sale;     // to EnviarDadosVenda
};

// The file's bytes, and where they go.
class SaleInputBytes : public SaleTestFixture,
                       public testing::WithParamInterface<Row<std::string, Reached>> {};

TEST_P(SaleInputBytes, ReachTheSaleReEncodedAndTheCancelAsLoaded)
{
    const Reached& reached = GetParam().expected;
    load(GetParam().input);
    EXPECT_EQ(sale.inputDocument(), reached.document);
    EXPECT_EQ(input.entries, std::vector<std::string>{reached.shown});
    send(SaleTest::Operation::Sale);
    send(SaleTest::Operation::Cancel);
    EXPECT_EQ(argsOf("EnviarDadosVenda"), (Args{"12", "12345678", reached.sale}));
    EXPECT_EQ(argsOf("CancelarUltimaVenda"), (Args{"12", "12345678", "", reached.document}));
}

INSTANTIATE_TABLE(SaleTest, SaleInputBytes,
                  {"cedillaInUtf8", "<x>aç</x>", {"<x>aç</x>", "<x>aç</x>", "<x>a\xE7</x>"}},
                  {"euroSign", "<v>€ 5</v>", {"<v>€ 5</v>", "<v>€ 5</v>", "<v>\x80 5</v>"}},
                  {"noAnsiForm", "<x>☃</x>", {"<x>☃</x>", "<x>☃</x>", "<x>?</x>"}},
                  {"windows1252File",
                   "<x>CAF\xC9 a\xE7\xE3o</x>",
                   {"<x>CAF\xC9 a\xE7\xE3o</x>",
                    "<x>CAF\xEF\xBF\xBD a\xEF\xBF\xBD\xEF\xBF\xBDo</x>", "<x>CAF? a??o</x>"}},
                  {"truncatedSequenceAtEnd",
                   "<x/>\xE2\x82",
                   {"<x/>\xE2\x82", "<x/>\xEF\xBF\xBD", "<x/>?"}},
                  {"crLfReadAsLf",
                   "<a>\r\n<b/>\r\n</a>\r\n",
                   {"<a>\n<b/>\n</a>\n", "<a>\n<b/>\n</a>\n", "<a>\n<b/>\n</a>\n"}},
                  {"loneCrStays", "<a>\r<b/>", {"<a>\r<b/>", "<a>\r<b/>", "<a>\r<b/>"}},
                  {"endsAtZeroByte", std::string("<a/>\0<b/>", 9), {"<a/>", "<a/>", "<a/>"}});

TEST_F(SaleTestFixture, AFileThatStartsWithAZeroByteLeavesNothingToSend)
{
    load(std::string("\0<a/>", 5));
    EXPECT_EQ(sale.inputDocument(), "");
    send(SaleTest::Operation::Sale);
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(SaleTest::noInputMessage)});
    EXPECT_EQ(lastKind, Outcome::Kind::BadInput);
    EXPECT_TRUE(device.calls().empty());
}

// ---- The 2 MiB limits ----

TEST_F(SaleTestFixture, ALongerFileIsCutAt2MiBAndASaleThatCannotFitIsNotSent)
{
    load(std::string(SaleTest::inputCapacity + 10, 'a'));
    EXPECT_EQ(sale.inputDocument().size(), 2097152u);
    EXPECT_TRUE(sale.inputCut());

    send(SaleTest::Operation::Sale);
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(SaleTest::saleTooLongMessage)});
    EXPECT_EQ(lastKind, Outcome::Kind::BadInput);
    EXPECT_TRUE(device.calls().empty());

    // The cancel sends the raw bytes, which fit their area.
    send(SaleTest::Operation::Cancel);
    const Args cancel = argsOf("CancelarUltimaVenda");
    ASSERT_EQ(cancel.size(), 4u);
    EXPECT_EQ(cancel[3]->size(), 2097152u);
}

struct Loaded {
    std::size_t documentBytes;
    bool cut;
};

class SaleInputCut : public SaleTestFixture,
                     public testing::WithParamInterface<Row<std::string, Loaded>> {};

TEST_P(SaleInputCut, IsToldOnlyWhenTextWasLeftOut)
{
    load(GetParam().input);
    EXPECT_EQ(sale.inputDocument().size(), GetParam().expected.documentBytes);
    EXPECT_EQ(sale.inputCut(), GetParam().expected.cut);
    load("<a/>"); // each load tells of its own file
    EXPECT_FALSE(sale.inputCut());
}

INSTANTIATE_TABLE(SaleTest, SaleInputCut,
                  {"fillsTheArea", std::string(SaleTest::inputCapacity, 'a'), {2097152, false}},
                  {"oneByteMore", std::string(SaleTest::inputCapacity + 1, 'a'), {2097152, true}},
                  // The file is longer than the area, its text (each CR LF read as LF) is not.
                  {"crLfReadAsOneByte",
                   std::string(SaleTest::inputCapacity - 10, 'a') +
                       [] {
                           std::string lines;
                           for (int i = 0; i < 10; ++i)
                               lines += "\r\n";
                           return lines;
                       }(),
                   {2097152, false}},
                  {"zeroByteEndsTheTextFirst",
                   "<a/>" + std::string(1, '\0') + std::string(SaleTest::inputCapacity, 'a'),
                   {4, false}},
                  {"zeroByteJustPastTheArea",
                   std::string(SaleTest::inputCapacity, 'a') + std::string(1, '\0') + "<b/>",
                   {2097152, false}});

// The file, and how many bytes of it the sale sends.
class SaleLimit : public SaleTestFixture,
                  public testing::WithParamInterface<Row<std::string, std::size_t>> {};

TEST_P(SaleLimit, ASaleThatFitsWithItsTerminatorIsSentWhole)
{
    load(GetParam().input);
    send(SaleTest::Operation::Sale);
    const Args sent = argsOf("EnviarDadosVenda");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2]->size(), GetParam().expected);
    EXPECT_EQ(messages.shown.size(), 1u); // the standard report alone
}

INSTANTIATE_TABLE(SaleTest, SaleLimit,
                  {"oneByteShort", std::string(SaleTest::inputCapacity - 1, 'a'), 2097151},
                  // A full 2 MiB with one two-byte character is one byte shorter once re-encoded.
                  {"fullWithACedilla", "ç" + std::string(SaleTest::inputCapacity - 2, 'a'),
                   2097151});

// ---- Handling the answer ----

struct ResultCase {
    const char* name;
    std::string result;
    std::int32_t code;
    std::string msg;
    std::vector<std::string> shown;
    bool decoded;
    Outcome::Kind kind;
};

class SaleResult : public SaleTestFixture, public testing::WithParamInterface<ResultCase> {};

TEST_P(SaleResult, IsReportedTheSameForTheSaleAndTheCancel)
{
    for (const auto operation : {SaleTest::Operation::Sale, SaleTest::Operation::Cancel}) {
        device.reset();
        messages.shown.clear();
        load(cancelDocument);
        device.script(
            operation == SaleTest::Operation::Sale ? "EnviarDadosVenda" : "CancelarUltimaVenda",
            {GetParam().result, GetParam().code, GetParam().msg, TestDevice::base64("<CFe/>")});
        send(operation);
        EXPECT_EQ(lastKind, GetParam().kind);
        EXPECT_EQ(messages.shown, GetParam().shown);
        EXPECT_EQ(output.entries, GetParam().decoded ? std::vector<std::string>{"<CFe/>"}
                                                     : std::vector<std::string>{});
        EXPECT_EQ(device.functions().back(), GetParam().decoded ? "Base64ToAscii" : "CodigoErro");
    }
}

INSTANTIATE_TEST_SUITE_P(
    SaleTest, SaleResult,
    testing::Values(ResultCase{"portFailure",
                               "Erro ao tentar abrir a porta de comunicacao",
                               0,
                               "Porta fechada",
                               {std::string(SatClient::portFailureMessage),
                                SatClient::detailText("Porta fechada")},
                               false,
                               Outcome::Kind::Transport},
                    ResultCase{"portFailureWithTransportCode",
                               "Erro ao tentar abrir a porta de comunicacao",
                               1,
                               "",
                               {std::string(SatClient::portFailureMessage),
                                "   Porta de comunicação não conectada.   "},
                               false,
                               Outcome::Kind::Transport},
                    ResultCase{"portTextInsideALongerAnswer",
                               "Erro ao tentar abrir a porta de comunicacao.",
                               0,
                               "Falha",
                               {SatClient::detailText("Falha")},
                               false,
                               Outcome::Kind::Refused},
                    ResultCase{"transportFailure",
                               "000012|06098|Em processamento",
                               0x8000,
                               "ignorada",
                               {"   TimeOut: Equipamento não está respondendo as mensagens."},
                               false,
                               Outcome::Kind::Transport},
                    ResultCase{"lowerCaseSucesso",
                               "000012|07000|0000|Cupom cancelado com sucesso|",
                               0,
                               "Cancelado",
                               {SatClient::detailText("Cancelado")},
                               true,
                               Outcome::Kind::Done},
                    ResultCase{"capitalSucessoIsNotEnough",
                               "000012|07000|0000|Cancelado com Sucesso|",
                               0,
                               "Cancelado",
                               {SatClient::detailText("Cancelado")},
                               false,
                               Outcome::Kind::Refused}),
    CaseName());

// ---- Saving the returned CF-e ----

TEST_F(SaleTestFixture, SavingWritesTheOutputAreaInWindows1252WithCrLf)
{
    load(saleDocument);
    device.script("EnviarDadosVenda", {saleAnswer("x", key), 0, "Emitido",
                                       TestDevice::base64("<CFe>\n<xProd>AÇÚCAR</xProd>\n</CFe>")});
    send(SaleTest::Operation::Sale);
    const fs::path target = folder / "cupom sem extensão";
    files.answers.push_back(target.string());
    saveOutput();
    EXPECT_EQ(read(target), "<CFe>\r\n<xProd>A\xC7\xDA"
                            "CAR</xProd>\r\n</CFe>\r\n");
    EXPECT_EQ(messages.shown.size(), 1u); // the sale's report, nothing from the save
}

// In Windows-1252 under its UTF-8 declaration the CF-e could no longer be read, nor its
// signature checked.
TEST_F(SaleTestFixture, ACfeDeclaringUtf8IsSavedInUtf8)
{
    load(saleDocument);
    device.script("EnviarDadosVenda",
                  {saleAnswer("x", key), 0, "Emitido",
                   TestDevice::base64("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                      "<CFe><xProd>AÇÚCAR</xProd></CFe>")});
    send(SaleTest::Operation::Sale);
    const fs::path target = folder / "cfe.xml";
    files.answers.push_back(target.string());
    saveOutput();
    EXPECT_EQ(read(target), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<CFe><xProd>A\xC3\x87\xC3\x9A"
                            "CAR</xProd></CFe>\r\n");
}

TEST_F(SaleTestFixture, ACancelledSaveDialogWritesNothingAndKeepsAnExistingFile)
{
    sellWithKey(key);
    const std::string existing = file("existente.xml", "antigo");
    ASSERT_FALSE(output.entries.empty());
    const int asked = files.asked;
    saveOutput(); // no name queued: the dialog is cancelled
    EXPECT_EQ(files.asked, asked + 1);
    EXPECT_EQ(read(existing), "antigo");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(SaleTestFixture, SavingIsRefusedWhileTheOutputAreaIsEmpty)
{
    saveOutput();
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{std::string(SaleTest::nothingToSaveMessage)});
    EXPECT_EQ(files.asked, 0);
    load(saleDocument);
    device.script("EnviarDadosVenda", {"000012|06010|1999|Rejeitado|"});
    send(SaleTest::Operation::Sale);
    messages.shown.clear();
    saveOutput();
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{std::string(SaleTest::nothingToSaveMessage)});
    EXPECT_EQ(files.asked, 1); // the load alone
}

TEST_F(SaleTestFixture, AFailedSaveIsTold)
{
    sellWithKey(key);
    messages.shown.clear();
    files.answers.push_back((folder / "pasta-que-nao-existe" / "cupom.xml").string());
    saveOutput();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with("Não foi possível criar o arquivo"));
}

} // namespace
