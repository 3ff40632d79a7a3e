#include "fileman/upload_body.h"

namespace korvex {

std::optional<UploadedFile> ReadUploadBody(std::string_view body) {
  const size_t blank_line = body.find("\r\n\r\n");
  if (blank_line == std::string_view::npos) return std::nullopt;
  const std::string_view header = body.substr(0, blank_line + 4);
  const size_t field = header.find("FileData");
  if (field == std::string_view::npos) return std::nullopt;
  const size_t closing_quote = header.find("\"\r\n", field);
  if (closing_quote == std::string_view::npos) return std::nullopt;
  constexpr std::string_view kFileNameParameter = "filename=\"";
  const size_t parameter = header.rfind(kFileNameParameter, closing_quote);
  if (parameter == std::string_view::npos || parameter < field) return std::nullopt;
  const size_t value = parameter + kFileNameParameter.size();
  std::string_view name = header.substr(value, closing_quote - value);
  if (size_t slash = name.find_last_of("\\/"); slash != std::string_view::npos)
    name = name.substr(slash + 1);
  if (name.empty()) return std::nullopt;
  // The trailer is CR LF, the boundary line (as long as the body's first line), "--", CR LF.
  const size_t trailer = header.find("\r\n") + 6;
  if (body.size() < header.size() + trailer) return std::nullopt;
  return UploadedFile{std::string(name), header.size(), body.size() - header.size() - trailer};
}

}  // namespace korvex
