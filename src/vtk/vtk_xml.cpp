#include "vtk/vtk_xml.hpp"

#include <bit>
#include <charconv>
#include <cstring>
#include <stdexcept>

#include "records/shortest_numbers.hpp"

namespace meridian::vtk {
namespace {

// The values go to the block as the program holds them.
static_assert(std::endian::native == std::endian::little,
              "the appended block is written as little-endian bytes");

constexpr std::string_view line_end = "\n";

// An attribute value, with the characters XML reserves there escaped.
void append_attribute(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

std::string_view section_element(Section section) {
  switch (section) {
    case Section::point_data:
      return "PointData";
    case Section::cell_data:
      return "CellData";
    case Section::points:
      return "Points";
    case Section::cells:
      return "Cells";
  }
  return "";
}

}  // namespace

std::size_t GridFile::enter(Section section, std::string_view type, std::string name,
                            int components, std::uint64_t bytes, bool outside) {
  if (!outside && !entries_.empty() && entries_.back().outside) {
    throw std::logic_error("a grid array of the block declared after one outside it");
  }
  entries_.push_back(Entry{section, type, std::move(name), components, block_end_, bytes, outside});
  block_end_ += sizeof(std::uint64_t) + bytes;
  return entries_.size() - 1;
}

void GridFile::allocate() {
  std::uint64_t size = 0;
  for (const Entry& entry : entries_) {
    if (!entry.outside) size = entry.offset + sizeof(std::uint64_t) + entry.bytes;
  }
  block_.assign(size, '\0');
  for (const Entry& entry : entries_) {
    if (!entry.outside) std::memcpy(block_.data() + entry.offset, &entry.bytes, sizeof entry.bytes);
  }
}

std::string GridFile::head() const {
  std::string text;
  text += "<?xml version=\"1.0\"?>";
  text += line_end;
  text +=
      "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
      "header_type=\"UInt64\">";
  text += line_end;
  text += "  <UnstructuredGrid>";
  text += line_end;
  text += "    <Piece NumberOfPoints=\"";
  append_shortest(text, points_);
  text += "\" NumberOfCells=\"";
  append_shortest(text, cells_);
  text += "\">";
  text += line_end;
  // VTK's own order of the sections; Points and Cells are always there.
  for (const Section section :
       {Section::point_data, Section::cell_data, Section::points, Section::cells}) {
    bool any = false;
    for (const Entry& entry : entries_) any = any || entry.section == section;
    if (!any && (section == Section::point_data || section == Section::cell_data)) continue;
    const std::string_view element = section_element(section);
    text += "      <";
    text += element;
    text += '>';
    text += line_end;
    for (const Entry& entry : entries_) {
      if (entry.section != section) continue;
      text += "        <DataArray type=\"";
      text += entry.type;
      text += '"';
      if (!entry.name.empty()) {
        text += " Name=\"";
        append_attribute(text, entry.name);
        text += '"';
      }
      if (entry.components != 1) {
        text += " NumberOfComponents=\"";
        append_shortest(text, static_cast<std::int64_t>(entry.components));
        text += '"';
      }
      text += " format=\"appended\" offset=\"";
      append_shortest(text, entry.offset);
      text += "\"/>";
      text += line_end;
    }
    text += "      </";
    text += element;
    text += '>';
    text += line_end;
  }
  text += "    </Piece>";
  text += line_end;
  text += "  </UnstructuredGrid>";
  text += line_end;
  text += "  <AppendedData encoding=\"raw\">";
  text += line_end;
  text += "   _";
  return text;
}

std::string_view grid_tail() {
  return "\n  </AppendedData>\n</VTKFile>\n";
}

std::string collection_text(std::span<const CollectionEntry> entries) {
  std::string text;
  text += "<?xml version=\"1.0\"?>";
  text += line_end;
  text +=
      "<VTKFile type=\"Collection\" version=\"1.0\" byte_order=\"LittleEndian\" "
      "header_type=\"UInt64\">";
  text += line_end;
  text += "  <Collection>";
  text += line_end;
  for (const CollectionEntry& entry : entries) {
    text += "    <DataSet timestep=\"";
    append_shortest(text, entry.timestep);
    text += "\" part=\"0\" file=\"";
    append_attribute(text, entry.file);
    text += "\"/>";
    text += line_end;
  }
  text += "  </Collection>";
  text += line_end;
  text += "</VTKFile>";
  text += line_end;
  return text;
}

}  // namespace meridian::vtk
