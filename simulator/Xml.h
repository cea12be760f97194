#pragma once

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The few libxml2 tree operations the device needs, with ownership and UTF-8 texts.
namespace satsim::xml {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

struct Parsed {
    Document document;
    std::string error; // why the text is not a document, in Portuguese; empty on success
};

// Parses bytes in either code page (see toUtf8), without reaching the network and without
// document type declarations, whose entities could make a small text grow without bound.
Parsed parse(std::string_view bytes);

Document create(const char* rootName);

bool is(const xmlNode* node, std::string_view name);
xmlNode* child(const xmlNode* parent, std::string_view name);
std::vector<xmlNode*> children(const xmlNode* parent, std::string_view name);
std::vector<xmlNode*> elements(const xmlNode* parent);

std::string text(const xmlNode* node);
std::optional<std::string> childText(const xmlNode* parent, std::string_view name);
std::optional<std::string> attribute(const xmlNode* node, const char* name);
void setAttribute(xmlNode* node, const char* name, std::string_view value);

// New elements holding a text, which is written escaped.
xmlNode* append(xmlNode* parent, const char* name, std::string_view value);
xmlNode* appendEmpty(xmlNode* parent, const char* name);
xmlNode* insertBefore(xmlNode* sibling, const char* name, std::string_view value);
xmlNode* insertAfter(xmlNode* sibling, const char* name, std::string_view value);
void setText(xmlNode* node, std::string_view value);
void remove(xmlNode* node);

// UTF-8, with its declaration, no indentation.
std::string serialize(xmlDoc* document);
// One element and what it holds.
std::string serialize(xmlDoc* document, xmlNode* node);

// The canonical form (C14N 1.0, without comments) of one element and what it holds, as an
// XML signature's reference to it is digested: the namespaces and xml: attributes it inherits
// are written on it. Empty when libxml2 fails.
std::string canonical(xmlDoc* document, xmlNode* node);

} // namespace satsim::xml
