// The HTML writing primitives: entities and links in text, anchor names, the page header and
// footer, the BODY and IMG tags, anchors and links between the pages of a report.
#pragma once

#include "html/html_options.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarex {

// Replaces every non-overlapping occurrence of sCherche (case-sensitive); an empty or blank text is returned as is.
std::string sChangeCaractere(std::string_view sTexte, std::string_view sCherche, std::string_view sRemplace);

// Escapes "&", "<", ">" and the double quote, so that text read from a disc cannot become markup.
std::string sEchappeHTML(std::string_view sTexte);

// The Latin-1 letters as named entities, then a link on the first web address of each kind and the first mail
// address, each found in plain text only (outside the text's tags and the links already made); an address ends
// at a blank, a control, a quote or an angle bracket.
std::string sTexteHTML(std::string_view sTexte);

// Every Latin-1 letter, separator and control character replaced by "_" (callers upper-case the result).
std::string sNomAncre(std::string_view sNom);

// The BODY tag with the background picture and colour of the options (empty attributes when off).
std::string sBaliseBody(const HtmlOptions& options);

// An IMG tag, commented out when bCommentaire is true.
std::string sImageHTML(std::string_view sSource, bool bCommentaire);

// The four header lines of a page, each ending in CR LF; the title is the options' title, or vTitre when that is blank.
std::string sEnteteHTML(const HtmlOptions& options, const std::optional<std::string>& vTitre = std::nullopt);

// "</BODY>", CR LF, "</HTML>".
std::string sFinHTML();

// A named anchor, followed by the text (bold when bGras) when bTexte; empty for an empty text.
std::string sAncreHTML(
    std::string_view sTexte, bool bGras, bool bTexte, const std::optional<std::string>& vNom = std::nullopt);

// A link to an anchor of another file, its text with entities but no link of its own; empty for an empty text.
std::string sLienHTML(std::string_view sTexte, std::string_view sFichier, std::string_view sAttributs,
    const std::optional<std::string>& vNom = std::nullopt);

} // namespace quarex
