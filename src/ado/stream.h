// Stream ("ADODB.Stream"): an in-memory run of bytes a page writes text or bytes into, reads
// back, saves to a file or loads from one; Recordset.Save writes its XML into it. Text is kept
// and saved as UTF-8 whatever the Charset says, as every text in this system is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/dispatch.h"

namespace korvex::ado {

class Stream : public Dispatch {
 public:
  const MemberTable& Members() const override;

  /// Opens an empty stream (a source other than none is not supported: 3251).
  void Open(Variant source = Variant::Missing(), std::optional<int32_t> mode = {},
            std::optional<int32_t> options = {});
  void Close();
  int32_t State() const { return open_ ? 1 : 0; }

  /// 1 binary, 2 text (the default); changes only at position 0.
  int32_t Type() const { return type_; }
  void Type(int32_t type);
  std::string Charset() const { return charset_; }
  void Charset(std::string charset);
  /// Bytes from the start; setting it beyond the end raises 3001.
  int32_t Position() const;
  void Position(int32_t position);
  int32_t Size() const;
  bool EOS() const;
  /// Cuts the stream at the current position.
  void SetEOS();

  /// Writes at the position, replacing what is there; option 1 adds a line break (CR LF).
  void WriteText(std::string text, std::optional<int32_t> options = {});
  /// count characters from the position; -1 (the default) reads to the end, -2 one line.
  std::string ReadText(std::optional<int32_t> count = {});
  /// Bytes, carried as a text of one character per byte.
  void Write(std::string bytes);
  std::string Read(std::optional<int32_t> count = {});

  /// option 1 (the default) refuses an existing file, 2 replaces it.
  void SaveToFile(std::string file, std::optional<int32_t> options = {});
  void LoadFromFile(std::string file);
  void Flush() {}

  const std::string& bytes() const { return data_; }

 private:
  void RequireOpen() const;

  bool open_ = false;
  int32_t type_ = 2;
  std::string charset_ = "Unicode";
  std::string data_;
  size_t position_ = 0;
};

}  // namespace korvex::ado
