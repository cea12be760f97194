#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FileChooser;
class SatResponse;
class MessageSink;
class SatClient;
class TextArea;

// The sale dialog's logic: a sale document loaded from a file goes to EnviarDadosVenda, the
// CF-e the device returns is shown and can be saved, and the last sale can be cancelled with
// its key written into a cancel document.
//
// What the device receives is always built from the loaded bytes, never from the text areas,
// which only show what happened.
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

    // input, answer and output are the areas XMLEntrada, Memo1 and XMLSaida.
    SaleTest(SatClient& client, MessageSink& messages, FileChooser& files, TextArea& input,
             TextArea& answer, TextArea& output);

    // Told each key a sale answer gives, as soon as it is kept and before the next library
    // call: a library that crashes in CodigoErro or Base64ToAscii then cannot take the key of
    // a sale it accepted with it.
    void setKeyListener(std::function<void(const std::string& key)> listener)
    {
        keyListener_ = std::move(listener);
    }

    // Empties the input document before the file dialog opens, so a cancelled dialog leaves
    // nothing to send; a chosen file is read and shown as a new entry of the input area.
    void loadInput();
    // The sale or the cancel of the loaded document. True when the device's answer says
    // "sucesso" and its CF-e could be read.
    bool send(Operation operation);

    // What a send leaves for the screen.
    struct Reply {
        bool ready = false;                // the device is to be called
        std::optional<std::string> answer; // for the answer area, UTF-8
        std::vector<std::string> messages; // in their order
        std::optional<std::string> output; // the CF-e, for the output area
        bool done = false;
    };
    // The three parts of a send: on the user-interface thread the areas are emptied and the
    // input shown; then the device is called, touching no screen, so it may run off that
    // thread; then, on it again, the answer, the messages and the CF-e are shown.
    Reply begin(Operation operation);
    Reply call(Operation operation);
    bool present(const Reply& reply);
    // Saves the output area's text where the operator chooses. True when a file was written.
    bool saveOutput();

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
    MessageSink& messages_;
    FileChooser& files_;
    TextArea& inputArea_;
    TextArea& answerArea_;
    TextArea& outputArea_;
    std::string input_;
    std::string saleText_; // the input in Windows-1252, as the next sale sends it
    bool inputCut_ = false;
    std::string cfeKey_;
    std::function<void(const std::string&)> keyListener_;
};
