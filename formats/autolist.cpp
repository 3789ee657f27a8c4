#include "formats/autolist.h"

#include "base/text.h"

namespace formats {
using orv::Trim;

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IsAutoComment(std::string_view line) {
  const std::string_view t = Trim(line);
  return t.empty() || line.front() == '#';
}

std::optional<TAutoEntry> SplitAutoLine(std::string_view line) {
  if (IsAutoComment(line)) return std::nullopt;
  const auto cut = line.rfind('\\');
  if (cut == std::string_view::npos) return std::nullopt;
  return TAutoEntry{std::string(Trim(line.substr(0, cut))),
                    std::string(Trim(line.substr(cut + 1)))};
}

bool IsKeyField(std::string_view field) {
  return field.size() > 9 && (field[1] == 'x' || field[1] == 'X');
}

int KeyFlags(std::string_view field) {
  return field.empty() ? -1 : HexValue(field.front());
}

std::string_view KeyDigits(std::string_view field) {
  return IsKeyField(field) ? field.substr(2) : std::string_view{};
}

std::string KeyToken(int flags, std::string_view keyDigits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string token(1, kDigits[flags & 15]);
  token += 'x';
  token += keyDigits;
  return token;
}

std::string AutoLine(std::string_view address, std::string_view keyField) {
  std::string line(address);
  line += '\\';
  line += keyField;
  return line;
}

}  // namespace formats
