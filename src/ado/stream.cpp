// The stream's bytes, its position, and its file form.
#include "ado/stream.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ado/ado_errors.h"
#include "core/member_table.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Stream";
constexpr int32_t kFileNotOpened = 3002;
constexpr int32_t kWriteFailed = 3004;

// Bytes of the first count code points of text from its start (all of it when fewer).
size_t BytesOfChars(std::string_view text, size_t count) {
  return LeftChars(text, count).size();
}

}  // namespace

const MemberTable& Stream::Members() const {
  static const MemberTable table("Stream",
                                 {
                                     Accessor("Charset", &Stream::Charset, &Stream::Charset),
                                     Method("Close", &Stream::Close),
                                     Getter("EOS", &Stream::EOS),
                                     Method("Flush", &Stream::Flush),
                                     Method("LoadFromFile", &Stream::LoadFromFile),
                                     Method("Open", &Stream::Open),
                                     Accessor("Position", &Stream::Position, &Stream::Position),
                                     Method("Read", &Stream::Read),
                                     Method("ReadText", &Stream::ReadText),
                                     Method("SaveToFile", &Stream::SaveToFile),
                                     Method("SetEOS", &Stream::SetEOS),
                                     Getter("Size", &Stream::Size),
                                     Getter("State", &Stream::State),
                                     Accessor("Type", &Stream::Type, &Stream::Type),
                                     Method("Write", &Stream::Write),
                                     Method("WriteText", &Stream::WriteText),
                                 });
  return table;
}

void Stream::RequireOpen() const {
  if (!open_) RaiseAdo(err::kObjectClosed, kSource);
}

void Stream::Open(Variant source, std::optional<int32_t>, std::optional<int32_t>) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  if (!source.IsMissing() && !source.IsEmpty() && !(source.IsString() && source.AsString().empty()))
    RaiseAdo(err::kNotCapable, kSource);
  open_ = true;
  data_.clear();
  position_ = 0;
}

void Stream::Close() {
  RequireOpen();
  open_ = false;
  data_.clear();
  position_ = 0;
}

void Stream::Type(int32_t type) {
  if (type != 1 && type != 2) RaiseAdo(err::kInvalidArgument, kSource);
  if (open_ && position_ != 0) RaiseAdo(err::kInvalidArgument, kSource);
  type_ = type;
}

void Stream::Charset(std::string charset) {
  if (open_ && position_ != 0) RaiseAdo(err::kInvalidArgument, kSource);
  charset_ = std::move(charset);
}

int32_t Stream::Position() const {
  RequireOpen();
  return static_cast<int32_t>(position_);
}

void Stream::Position(int32_t position) {
  RequireOpen();
  if (position < 0 || static_cast<size_t>(position) > data_.size())
    RaiseAdo(err::kInvalidArgument, kSource);
  position_ = static_cast<size_t>(position);
}

int32_t Stream::Size() const {
  RequireOpen();
  return static_cast<int32_t>(data_.size());
}

bool Stream::EOS() const {
  RequireOpen();
  return position_ >= data_.size();
}

void Stream::SetEOS() {
  RequireOpen();
  data_.resize(position_);
}

void Stream::Write(std::string bytes) {
  RequireOpen();
  data_.replace(position_, std::min(bytes.size(), data_.size() - position_), bytes);
  position_ += bytes.size();
}

void Stream::WriteText(std::string text, std::optional<int32_t> options) {
  RequireOpen();
  if (type_ != 2) RaiseAdo(err::kInvalidArgument, kSource);
  if (options.value_or(0) == 1) text += "\r\n";
  Write(std::move(text));
}

std::string Stream::Read(std::optional<int32_t> count) {
  RequireOpen();
  size_t available = data_.size() - position_;
  size_t n =
      count && *count >= 0 ? std::min<size_t>(static_cast<size_t>(*count), available) : available;
  std::string out = data_.substr(position_, n);
  position_ += n;
  return out;
}

std::string Stream::ReadText(std::optional<int32_t> count) {
  RequireOpen();
  if (type_ != 2) RaiseAdo(err::kInvalidArgument, kSource);
  std::string_view rest = std::string_view(data_).substr(position_);
  size_t n = rest.size();
  if (count && *count == -2) {
    size_t line = rest.find("\r\n");
    std::string out(rest.substr(0, line));
    position_ += line == std::string_view::npos ? rest.size() : line + 2;
    return out;
  }
  if (count && *count >= 0) n = BytesOfChars(rest, static_cast<size_t>(*count));
  std::string out(rest.substr(0, n));
  position_ += n;
  return out;
}

void Stream::SaveToFile(std::string file, std::optional<int32_t> options) {
  RequireOpen();
  if (options.value_or(1) != 2 && std::filesystem::exists(file))
    RaiseAdo(kWriteFailed, kSource, "Write to file failed.");
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << data_;
  if (!out.flush()) RaiseAdo(kWriteFailed, kSource, "Write to file failed.");
}

void Stream::LoadFromFile(std::string file) {
  RequireOpen();
  std::ifstream in(file, std::ios::binary);
  if (!in || std::filesystem::is_directory(file))
    RaiseAdo(kFileNotOpened, kSource, "File could not be opened.");
  std::ostringstream text;
  text << in.rdbuf();
  data_ = text.str();
  position_ = 0;
}

}  // namespace korvex::ado
