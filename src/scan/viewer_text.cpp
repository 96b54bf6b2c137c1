#include "scan/viewer_text.h"

#include "text/text.h"

#include <algorithm>
#include <limits>

namespace quarex {

namespace {

    constexpr std::size_t kChunk = 1024 * 1024;

    // Length of the UTF-8 sequence a lead byte announces (0 for a continuation byte).
    std::size_t sequenceLength(unsigned char lead)
    {
        if (lead < 0x80)
            return 1;
        if ((lead & 0xE0) == 0xC0)
            return 2;
        if ((lead & 0xF0) == 0xE0)
            return 3;
        if ((lead & 0xF8) == 0xF0)
            return 4;
        return lead >= 0xC0 ? 1 : 0; // invalid leads count as complete: the check refuses them
    }

    // Where the last complete sequence of `bytes` ends: a sequence cut by the chunk's end is left for the next.
    std::size_t completePrefix(std::string_view bytes)
    {
        std::size_t n = bytes.size();
        for (std::size_t back = 1; back <= 4 && back <= n; ++back) {
            auto c = static_cast<unsigned char>(bytes[n - back]);
            std::size_t len = sequenceLength(c);
            if (len == 0)
                continue;
            return len > back ? n - back : n;
        }
        return n;
    }

} // namespace

ViewerKind viewerKindOf(std::string_view fileName)
{
    std::string_view name = fileNameOf(fileName);
    std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string_view::npos ? std::string() : upperCase(name.substr(dot));
    if (ext == ".DIZ" || ext == ".TXT")
        return ViewerKind::Text;
    if (ext == ".HLP")
        return ViewerKind::Help;
    if (ext == ".ICO")
        return ViewerKind::Icon;
    return ViewerKind::Document;
}

std::unique_ptr<TextLineReader> TextLineReader::open(FileSystem& fs, const std::string& path)
{
    auto file = fs.open(path);
    if (!file)
        return nullptr;
    std::uint64_t size = file->size();
    std::unique_ptr<TextLineReader> reader(new TextLineReader(std::move(file), size));
    reader->decideEncoding();
    return reader;
}

TextLineReader::TextLineReader(std::unique_ptr<ReadableFile> file, std::uint64_t size)
    : m_file(std::move(file))
    , m_size(size)
{
    m_end = std::min(size, kViewerTextLimit);
    m_truncated = size > kViewerTextLimit;
}

void TextLineReader::decideEncoding()
{
    // One pass over the bytes: the whole text is UTF-8 or none of it is.
    std::string chunk;
    std::string carry;
    std::uint64_t offset = 0;
    m_utf8 = true;
    while (offset < m_end) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_end - offset));
        chunk.assign(carry);
        std::size_t from = chunk.size();
        chunk.resize(from + want);
        std::size_t got = m_file->readAt(offset, chunk.data() + from, want);
        chunk.resize(from + got);
        offset += got;
        if (got < want) {
            m_failed = true;
            m_end = offset;
        }
        std::size_t complete = completePrefix(chunk);
        if (!isValidUtf8(std::string_view(chunk).substr(0, complete))) {
            m_utf8 = false;
            break;
        }
        carry = chunk.substr(complete);
        if (got == 0)
            break;
    }
    if (m_utf8 && !carry.empty()) {
        if (m_truncated)
            m_end -= carry.size(); // the limit cut a character: stop before it
        else
            m_utf8 = false;
    }
    if (!m_truncated && m_end > 0) {
        char last = 0;
        if (m_file->readAt(m_end - 1, &last, 1) == 1 && last == '\x1A')
            --m_end;
    }
    if (m_utf8 && m_end >= 3) {
        char bom[3] = {};
        if (m_file->readAt(0, bom, 3) == 3 && std::string_view(bom, 3) == "\xEF\xBB\xBF")
            m_offset = 3;
    }
}

bool TextLineReader::fill()
{
    if (m_offset >= m_end)
        return false;
    m_buffer.erase(0, m_pos);
    m_pos = 0;
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_end - m_offset));
    std::size_t from = m_buffer.size();
    m_buffer.resize(from + want);
    std::size_t got = m_file->readAt(m_offset, m_buffer.data() + from, want);
    m_buffer.resize(from + got);
    m_offset += got;
    if (got < want) {
        m_failed = true;
        m_end = m_offset;
    }
    return got > 0;
}

std::size_t TextLineReader::readLines(std::size_t maxLines, std::string& out)
{
    std::size_t count = 0;
    while (count < maxLines) {
        if (m_pendingCr) {
            if (m_pos >= m_buffer.size() && !fill()) {
                m_pendingCr = false;
                break;
            }
            if (m_buffer[m_pos] == '\n')
                ++m_pos;
            m_pendingCr = false;
        }
        if (m_pos >= m_buffer.size() && !fill())
            break;
        std::size_t end = m_buffer.find_first_of("\r\n", m_pos);
        while (end == std::string::npos && m_offset < m_end) {
            std::size_t searched = m_buffer.size() - m_pos;
            if (!fill())
                break;
            end = m_buffer.find_first_of("\r\n", m_pos + searched);
        }
        std::string_view line(m_buffer.data() + m_pos, (end == std::string::npos ? m_buffer.size() : end) - m_pos);
        if (!out.empty() || count > 0)
            out += '\n';
        if (m_utf8)
            out.append(line);
        else
            out += cp1252ToUtf8(line);
        ++count;
        if (end == std::string::npos) {
            m_pos = m_buffer.size();
            continue;
        }
        m_pos = end + 1;
        if (m_buffer[end] == '\r') {
            if (m_pos < m_buffer.size()) {
                if (m_buffer[m_pos] == '\n')
                    ++m_pos;
            } else {
                m_pendingCr = true;
            }
        }
    }
    return count;
}

std::optional<std::string> readViewerText(FileSystem& fs, const std::string& path)
{
    auto reader = TextLineReader::open(fs, path);
    if (!reader)
        return std::nullopt;
    std::string text;
    reader->readLines(std::numeric_limits<std::size_t>::max(), text);
    return text;
}

std::string sMessageFichierVide(const std::string& path, std::uint64_t length)
{
    return path + " : " + "Affichage annulé du fichier" + "\r\n" + "car la taille du fichier est de" + " "
        + std::to_string(length) + " Octets";
}

std::string sMessageChargement(const std::string& path, std::uint64_t length)
{
    return path + " : " + "Patientez, chargement du fichier" + " - " + std::to_string(length) + " Octets";
}

} // namespace quarex
