#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Outcome.h"
#include "TextFile.h"

class SatResponse;
class SatClient;

// The sale dialog's logic: a sale document loaded from a file goes to EnviarDadosVenda, the
// CF-e the device returns is given to show and to save, and the last sale can be cancelled
// with its key written into a cancel document.
//
// What the device receives is always built from the loaded bytes, never from the screen's
// text areas, which only show what happened.
class SaleTest {
public:
    enum class Operation { Sale, Cancel }; // "Vender", "Cancelar Venda"

    // The input document's area; a longer file is cut there.
    static constexpr std::size_t inputCapacity = 2097152;
    // The sale text's buffer, its terminating zero included.
    static constexpr std::size_t saleTextCapacity = 2097152;
    // The key's buffer holds 299 characters and a terminating zero.
    static constexpr std::size_t maxKeyLength = 299;
    // A CF-e key is "CFe" and its 44 digits.
    static constexpr std::size_t keyLength = 47;

    static constexpr std::string_view noInputMessage = "Carregue um XML de entrada!";
    static constexpr std::string_view nothingToSaveMessage =
        "Envie um XML para o VEXOR antes de salvar.";
    static constexpr std::string_view saleTooLongMessage =
        "O XML de venda não cabe no limite de 2.097.151 bytes depois de convertido para "
        "Windows-1252 e não foi enviado.\nCarregue um arquivo menor.";

    explicit SaleTest(SatClient& client) : client_(client) {}

    // Told each key a sale answer gives, as soon as it is kept and before the next library
    // call: a library that crashes in CodigoErro or Base64ToAscii then cannot take the key of
    // a sale it accepted with it.
    void setKeyListener(std::function<void(const std::string& key)> listener)
    {
        keyListener_ = std::move(listener);
    }

    // What a load leaves for the screen. Texts are UTF-8.
    struct Loaded {
        std::optional<std::string> entry;   // the document, a new entry of the input area
        std::optional<std::string> message; // why the file could not be read
    };
    // The file the operator chose, or none when the dialog was cancelled. The document is
    // emptied first, so a cancelled dialog or an unreadable file leaves nothing to send.
    Loaded load(const std::optional<std::string>& path);

    // What a send leaves for the screen, in the order it is shown: the input, the answer,
    // the outcome's messages, the CF-e. It is done when the answer says "sucesso" and its CF-e
    // could be read. Texts are UTF-8.
    struct Reply : Outcome {
        bool ready = false;                // the device is to be called
        std::optional<std::string> input;  // the three areas emptied, and this in the input
        std::optional<std::string> answer; // for the answer area
        std::optional<std::string> output; // the CF-e, for the output area
        bool done() const { return kind == Kind::Done; }
    };
    // A send in two parts: what is shown before the call, on the user-interface thread; then
    // the call, which touches nothing but the client, so it may run off that thread. send()
    // is both, the first part's input kept in the reply.
    Reply begin(Operation operation);
    Reply call(Operation operation);
    Reply send(Operation operation);

    // The output area's lines hold something to save.
    static bool holdsOutput(const std::vector<std::string>& lines);
    // Writes the lines: a CF-e keeps the encoding it declares, any other text goes in
    // Windows-1252.
    static textfile::WriteResult saveOutput(const std::string& path,
                                            const std::vector<std::string>& lines);

    // The loaded bytes (after any key substitution), up to the first zero byte.
    const std::string& inputDocument() const { return input_; }
    // The last file loaded held more text than the input area, which holds its start only.
    bool inputCut() const { return inputCut_; }
    // The key of the last sale this dialog saw; empty until a sale answer gives one.
    const std::string& cfeKey() const { return cfeKey_; }
    // Takes a key this dialog did not see (a front end that runs once per operation keeps it
    // between runs); the next cancel writes it into its document. Anything but a CF-e key is
    // refused (false) and the key kept so far stays: it would be written into the document.
    bool rememberKey(std::string_view key);

    // "CFe" followed by exactly 44 ASCII digits.
    static bool isKey(std::string_view text);
    // The key in a sale answer: the first field that a "|" ends and that is a CF-e key. A
    // "CFe" elsewhere (inside the Base64 CF-e, say, or a field that only starts with it) is
    // not a key.
    static std::optional<std::string_view> findKey(std::string_view answer);
    // Writes the key over the document from the character after the first double quote that
    // is followed by "CFe"; the document grows if the key runs past its end, but never past
    // inputCapacity.
    static void substituteKey(std::string& document, std::string_view key);

private:
    void handleResult(const SatResponse& result, Reply& reply);

    SatClient& client_;
    std::string input_;
    std::string saleText_; // the input in Windows-1252, as the next sale sends it
    bool inputCut_ = false;
    std::string cfeKey_;
    std::function<void(const std::string&)> keyListener_;
};
