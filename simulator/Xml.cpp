#include "Xml.h"

#include "Texts.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlversion.h>

namespace satsim::xml {

namespace {

const xmlChar* chars(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

std::string reason(int code)
{
    switch (code) {
    case XML_ERR_DOCUMENT_EMPTY:
        return "o texto não começa com um elemento XML";
    case XML_ERR_DOCUMENT_END:
        return "há conteúdo depois do elemento raiz";
    case XML_ERR_TAG_NAME_MISMATCH:
        return "a marca de fechamento não corresponde à de abertura";
    case XML_ERR_TAG_NOT_FINISHED:
        return "elemento não fechado";
    case XML_ERR_UNDECLARED_ENTITY:
    case XML_WAR_UNDECLARED_ENTITY:
        return "entidade não declarada (use &amp; para \"&\")";
    case XML_ERR_INVALID_CHAR:
    case XML_ERR_INVALID_ENCODING:
        return "caractere inválido";
    case XML_ERR_LT_IN_ATTRIBUTE:
        return "\"<\" dentro do valor de um atributo";
    case XML_ERR_ATTRIBUTE_REDEFINED:
        return "atributo repetido";
    case XML_ERR_ATTRIBUTE_NOT_STARTED:
    case XML_ERR_ATTRIBUTE_WITHOUT_VALUE:
    case XML_ERR_ATTRIBUTE_NOT_FINISHED:
        return "atributo mal formado";
    case XML_ERR_GT_REQUIRED:
        return "falta \">\"";
    case XML_ERR_NAME_REQUIRED:
        return "nome esperado depois de \"<\" ou \"&\" (um \"&\" no texto se escreve &amp;)";
    case XML_ERR_ENTITY_LOOP:
        return "expansão de entidades sem fim";
    default:
        return "erro de sintaxe";
    }
}

struct ContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

// The parser goes on after an error and reports later ones that follow from it; the first
// is the one that tells the operator what is wrong.
struct FirstError {
    int code = 0;
    int line = 0;
    int column = 0;
};
thread_local FirstError* firstError = nullptr;

#if LIBXML_VERSION >= 21200
void keepFirstError(void*, const xmlError* error)
#else
void keepFirstError(void*, xmlErrorPtr error)
#endif
{
    if (firstError && error && firstError->code == 0 && error->level >= XML_ERR_ERROR)
        *firstError = {error->code, error->line, error->int2};
}

} // namespace

Parsed parse(std::string_view bytes)
{
    Parsed parsed;
    const std::string utf8 = toUtf8(bytes);
    if (utf8.find_first_not_of(" \t\r\n") == std::string::npos) {
        parsed.error = "documento vazio";
        return parsed;
    }
    std::unique_ptr<xmlParserCtxt, ContextDeleter> context(xmlNewParserCtxt());
    if (!context) {
        parsed.error = "memória insuficiente para ler o documento";
        return parsed;
    }
    FirstError first;
    firstError = &first;
    // Errors reach this context's handler only, never the program's standard error.
    context->sax->serror = keepFirstError;
    // The text was made UTF-8 above, whatever its declaration says.
    xmlDoc* document = xmlCtxtReadMemory(context.get(), utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, "UTF-8",
                                         XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR |
                                             XML_PARSE_NOWARNING | XML_PARSE_NOCDATA);
    firstError = nullptr;
    parsed.document.reset(document);
    if (!document || !context->wellFormed) {
        parsed.document.reset();
        parsed.error = "XML mal formado";
        if (first.code != 0) {
            parsed.error += ": " + reason(first.code);
            if (first.line > 0)
                parsed.error += " (linha " + std::to_string(first.line) + ", coluna " +
                                std::to_string(first.column) + ")";
        }
        return parsed;
    }
    if (document->intSubset || document->extSubset) {
        parsed.document.reset();
        parsed.error = "declaração de tipo de documento (DOCTYPE) não é aceita";
        return parsed;
    }
    if (!xmlDocGetRootElement(document)) {
        parsed.document.reset();
        parsed.error = "documento sem elemento raiz";
    }
    return parsed;
}

Document create(const char* rootName)
{
    Document document(xmlNewDoc(chars("1.0")));
    xmlNode* root = xmlNewDocNode(document.get(), nullptr, chars(rootName), nullptr);
    xmlDocSetRootElement(document.get(), root);
    return document;
}

bool is(const xmlNode* node, std::string_view name)
{
    return node && node->type == XML_ELEMENT_NODE &&
           std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

xmlNode* child(const xmlNode* parent, std::string_view name)
{
    if (!parent)
        return nullptr;
    for (xmlNode* node = parent->children; node; node = node->next)
        if (is(node, name))
            return node;
    return nullptr;
}

std::vector<xmlNode*> children(const xmlNode* parent, std::string_view name)
{
    std::vector<xmlNode*> found;
    if (!parent)
        return found;
    for (xmlNode* node = parent->children; node; node = node->next)
        if (is(node, name))
            found.push_back(node);
    return found;
}

std::vector<xmlNode*> elements(const xmlNode* parent)
{
    std::vector<xmlNode*> found;
    if (!parent)
        return found;
    for (xmlNode* node = parent->children; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE)
            found.push_back(node);
    return found;
}

std::string text(const xmlNode* node)
{
    if (!node)
        return {};
    xmlChar* content = xmlNodeGetContent(node);
    if (!content)
        return {};
    std::string result(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return result;
}

std::optional<std::string> childText(const xmlNode* parent, std::string_view name)
{
    const xmlNode* node = child(parent, name);
    if (!node)
        return std::nullopt;
    return text(node);
}

std::optional<std::string> attribute(const xmlNode* node, const char* name)
{
    if (!node)
        return std::nullopt;
    xmlChar* value = xmlGetProp(node, chars(name));
    if (!value)
        return std::nullopt;
    std::string result(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return result;
}

void setAttribute(xmlNode* node, const char* name, std::string_view value)
{
    const std::string copy(value);
    xmlSetProp(node, chars(name), chars(copy.c_str()));
}

namespace {

xmlNode* newElement(xmlDoc* document, const char* name, std::string_view value)
{
    xmlNode* node = xmlNewDocNode(document, nullptr, chars(name), nullptr);
    if (!value.empty())
        xmlNodeAddContentLen(node, reinterpret_cast<const xmlChar*>(value.data()),
                             static_cast<int>(value.size()));
    return node;
}

} // namespace

xmlNode* append(xmlNode* parent, const char* name, std::string_view value)
{
    return xmlAddChild(parent, newElement(parent->doc, name, value));
}

xmlNode* appendEmpty(xmlNode* parent, const char* name)
{
    return xmlAddChild(parent, xmlNewDocNode(parent->doc, nullptr, chars(name), nullptr));
}

xmlNode* insertBefore(xmlNode* sibling, const char* name, std::string_view value)
{
    return xmlAddPrevSibling(sibling, newElement(sibling->doc, name, value));
}

xmlNode* insertAfter(xmlNode* sibling, const char* name, std::string_view value)
{
    return xmlAddNextSibling(sibling, newElement(sibling->doc, name, value));
}

void setText(xmlNode* node, std::string_view value)
{
    xmlNodeSetContent(node, nullptr);
    if (!value.empty())
        xmlNodeAddContentLen(node, reinterpret_cast<const xmlChar*>(value.data()),
                             static_cast<int>(value.size()));
}

void remove(xmlNode* node)
{
    xmlUnlinkNode(node);
    xmlFreeNode(node);
}

std::string serialize(xmlDoc* document)
{
    xmlChar* memory = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(document, &memory, &size, "UTF-8");
    std::string result =
        memory ? std::string(reinterpret_cast<const char*>(memory), static_cast<std::size_t>(size))
               : std::string();
    xmlFree(memory);
    return result;
}

std::string serialize(xmlDoc* document, xmlNode* node)
{
    xmlBuffer* buffer = xmlBufferCreate();
    xmlNodeDump(buffer, document, node, 0, 0);
    std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                       static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return result;
}

namespace {

// Whether a node of the document belongs to the subtree whose top element is apex. For an
// attribute or a namespace declaration libxml2 passes the element that holds it as parent; a
// namespace declaration is not a node and has no parent of its own to follow.
int insideSubtree(void* apex, xmlNode* node, xmlNode* parent)
{
    const bool onElement = node->type == XML_NAMESPACE_DECL || node->type == XML_ATTRIBUTE_NODE;
    for (const xmlNode* at = onElement ? parent : node; at; at = at->parent)
        if (at == apex)
            return 1;
    return 0;
}

} // namespace

std::string canonical(xmlDoc* document, xmlNode* node)
{
    xmlBuffer* buffer = xmlBufferCreate();
    if (!buffer)
        return {};
    xmlOutputBuffer* out = xmlOutputBufferCreateBuffer(buffer, nullptr);
    std::string result;
    if (out) {
        const int written =
            xmlC14NExecute(document, insideSubtree, node, XML_C14N_1_0, nullptr, 0, out);
        // Closing flushes what is still held into the buffer.
        const int closed = xmlOutputBufferClose(out);
        if (written >= 0 && closed >= 0)
            result.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                          static_cast<std::size_t>(xmlBufferLength(buffer)));
    }
    xmlBufferFree(buffer);
    return result;
}

} // namespace satsim::xml
