#include "exe/executable_image.h"

#include "exe/icon_extraction.h"
#include "exe/le_resources.h"
#include "exe/ne_resources.h"
#include "exe/pe_resources.h"

namespace quarex {

ExecutableImage::ExecutableImage(ReadableFile& file)
    : m_reader(file)
{
    parse();
}

ExecutableImage::ExecutableImage(std::unique_ptr<ReadableFile> file)
    : m_owned(std::move(file))
    , m_reader(m_owned ? ByteReader(*m_owned) : ByteReader(std::string_view()))
{
    parse();
}

ExecutableImage::ExecutableImage(std::string_view bytes)
    : m_reader(bytes)
{
    parse();
}

void ExecutableImage::parse()
{
    // A small file costs one read whatever is wanted of it later; a larger one is read where the headers
    // and then the resources lie.
    if (m_reader.size() <= kWholeReadLimit)
        m_reader.preload(0, m_reader.size());
    m_layout = readImageLayout(m_reader);
}

void ExecutableImage::loadResourceSection()
{
    if (m_resourcesLoaded)
        return;
    m_resourcesLoaded = true;
    if (!m_layout || m_reader.size() <= kWholeReadLimit || !m_layout->peOptionalValid || m_layout->resourceRva == 0)
        return;
    const PeSection* section = sectionOf(*m_layout, m_layout->resourceRva);
    if (!section || section->rawSize == 0 || section->rawSize > kResourceSectionReadLimit)
        return;
    m_reader.preload(section->rawPointer, section->rawSize);
}

std::string ExecutableImage::kind() const { return m_layout ? kindLabel(m_layout->header) : std::string(); }

const std::optional<RawVersionBlock>& ExecutableImage::versionResource()
{
    if (m_version)
        return *m_version;
    std::optional<ResourceRef> ref;
    if (m_layout) {
        switch (m_layout->header.format) {
        case ExeFormat::Pe32:
        case ExeFormat::Pe32Plus:
            loadResourceSection();
            ref = peVersionRef(m_reader, *m_layout);
            break;
        case ExeFormat::Ne:
            ref = neVersionRef(m_reader, neResources(m_reader, *m_layout));
            break;
        case ExeFormat::Le:
            ref = leVersionRef(m_reader, *m_layout);
            break;
        default:
            break;
        }
    }
    m_version = ref ? versionBlockAt(m_reader, *ref) : std::nullopt;
    return *m_version;
}

std::optional<SearchableVersionBlock> ExecutableImage::searchableVersionBlock()
{
    const std::optional<RawVersionBlock>& raw = versionResource();
    if (!raw)
        return std::nullopt;
    return quarex::searchableVersionBlock(*raw);
}

const std::optional<std::string>& ExecutableImage::iconIco()
{
    if (!m_icon) {
        if (m_layout)
            loadResourceSection();
        m_icon = m_layout ? quarex::iconIco(m_reader, *m_layout) : std::nullopt;
    }
    return *m_icon;
}

ExecutableFacts ExecutableImage::facts()
{
    ExecutableFacts facts;
    facts.kind = kind();
    facts.iconIco = iconIco();
    return facts;
}

} // namespace quarex
