#include "common/directb2s.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

namespace {

// A backglass file is read this far at most: the largest real ones are tens of MB.
constexpr std::size_t kMaxDocumentBytes = std::size_t{256} << 20;
// Names and nesting of a real document are short and shallow; past these it is none.
constexpr std::size_t kMaxNameLength = 128;
constexpr std::size_t kMaxDepth = 32;
constexpr int kEnd = -1;

// The bytes of a document, from memory or read from a file one buffer at a time.
class ByteStream {
 public:
  explicit ByteStream(std::string_view bytes) : view_(bytes) {}
  explicit ByteStream(int fd) : fd_(fd), buffer_(64 * 1024) {}

  int Get() {
    if (at_ == view_.size() && !Refill()) return kEnd;
    return static_cast<unsigned char>(view_[at_++]);
  }

 private:
  bool Refill() {
    if (fd_ < 0 || read_ >= kMaxDocumentBytes) return false;
    ssize_t got;
    do {
      got = ::read(fd_, buffer_.data(), std::min(buffer_.size(), kMaxDocumentBytes - read_));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    read_ += static_cast<std::size_t>(got);
    view_ = std::string_view(buffer_.data(), static_cast<std::size_t>(got));
    at_ = 0;
    return true;
  }

  std::string_view view_;
  std::size_t at_ = 0;
  int fd_ = -1;
  std::vector<char> buffer_;
  std::size_t read_ = 0;
};

constexpr std::array<signed char, 256> kSextets = [] {
  std::array<signed char, 256> table{};
  table.fill(-1);
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(letters[i])] = static_cast<signed char>(i);
  return table;
}();

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads one document for the pictures of `elements`, keeping the first good one of each.
class Scanner {
 public:
  Scanner(ByteStream& in, const std::vector<std::string>& elements)
      : in_(in), elements_(elements), found_(elements.size()) {}

  std::string Run() {
    while (Markup()) {
      if (!found_.empty() && found_.front()) break;  // the one most wanted: no need to go on
    }
    for (std::optional<std::string>& picture : found_) {
      if (picture) return std::move(*picture);
    }
    return {};
  }

 private:
  // Reads up to and through the next piece of markup. False at the end or on a broken document.
  bool Markup() {
    int c;
    while ((c = in_.Get()) != '<') {
      if (c == kEnd) return false;
    }
    c = in_.Get();
    if (c == '!') return SkipDeclaration();
    if (c == '?') return SkipPast("?>");
    if (c == '/') {
      std::string name;
      c = ReadName(in_.Get(), name);
      if (!stack_.empty()) stack_.pop_back();
      while (c != '>') {
        if (c == kEnd) return false;
        c = in_.Get();
      }
      return true;
    }
    return StartTag(c);
  }

  bool SkipDeclaration() {
    int c = in_.Get();
    if (c == '-') return in_.Get() == '-' && SkipPast("-->");
    if (c == '[') return SkipPast("]]>");  // CDATA
    while (c != '>') {
      if (c == kEnd) return false;
      c = in_.Get();
    }
    return true;
  }

  bool SkipPast(std::string_view end) {
    std::size_t matched = 0;
    while (matched < end.size()) {
      const int c = in_.Get();
      if (c == kEnd) return false;
      matched = c == end[matched] ? matched + 1 : (c == end[0] ? 1 : 0);
    }
    return true;
  }

  // Reads a name starting with `c` into `name`; returns the character after it.
  int ReadName(int c, std::string& name) {
    while (c != kEnd && !IsSpace(c) && c != '>' && c != '/' && c != '=') {
      if (name.size() < kMaxNameLength) name += static_cast<char>(c);
      c = in_.Get();
    }
    return c;
  }

  int SkipSpaces(int c) {
    while (IsSpace(c)) c = in_.Get();
    return c;
  }

  bool StartTag(int c) {
    std::string name;
    c = ReadName(c, name);
    if (name.empty() || stack_.size() >= kMaxDepth) return false;
    stack_.push_back(std::move(name));
    const int wanted = WantedElement();
    for (;;) {
      c = SkipSpaces(c);
      if (c == '>') return true;
      if (c == '/') {
        stack_.pop_back();
        return in_.Get() == '>';
      }
      std::string attribute;
      c = SkipSpaces(ReadName(c, attribute));
      if (attribute.empty() || c != '=') return false;
      const int quote = SkipSpaces(in_.Get());
      if (quote != '"' && quote != '\'') return false;
      if (wanted >= 0 && attribute == "Value" && !found_[static_cast<std::size_t>(wanted)]) {
        std::optional<std::string> picture = DecodeValue(quote);
        if (!picture) return false;
        if (SniffPictureFormat(*picture) != PictureFormat::kUnknown) {
          found_[static_cast<std::size_t>(wanted)] = std::move(picture);
        }
      } else {
        while ((c = in_.Get()) != quote) {
          if (c == kEnd) return false;
        }
      }
      c = in_.Get();
    }
  }

  // The index in elements_ of the element just opened when it is a picture asked for, else -1.
  int WantedElement() const {
    if (stack_.size() != 3 || stack_[1] != "Images") return -1;
    const auto found = std::find(elements_.begin(), elements_.end(), stack_[2]);
    return found == elements_.end() ? -1 : static_cast<int>(found - elements_.begin());
  }

  // Decodes base64 text up to the closing `quote`. Spaces, line breaks and character
  // references in it are skipped; a picture past the size limit is none ("" then). Nothing when
  // the document ends first.
  std::optional<std::string> DecodeValue(int quote) {
    std::string out;
    bool too_big = false, padded = false;
    unsigned bits = 0;
    int count = 0;
    for (int c = in_.Get(); c != quote; c = in_.Get()) {
      if (c == kEnd) return std::nullopt;
      if (c == '&') {
        for (int i = 0; i < 12 && c != ';' && c != quote && c != kEnd; ++i) c = in_.Get();
        if (c == quote) break;
        if (c == kEnd) return std::nullopt;
        continue;
      }
      if (c == '=') padded = true;
      const int sextet = kSextets[static_cast<unsigned char>(c)];
      if (sextet < 0 || padded || too_big) continue;
      bits = bits << 6 | static_cast<unsigned>(sextet);
      if (++count < 4) continue;
      if (out.size() + 3 > kMaxDirectB2SPicture) {
        too_big = true;
        out.clear();
        out.shrink_to_fit();
      } else {
        out += static_cast<char>(bits >> 16 & 0xFF);
        out += static_cast<char>(bits >> 8 & 0xFF);
        out += static_cast<char>(bits & 0xFF);
      }
      bits = 0;
      count = 0;
    }
    if (too_big) return std::string();
    // A last group of two or three characters carries one or two bytes.
    if (count == 2) out += static_cast<char>(bits >> 4 & 0xFF);
    if (count == 3) {
      out += static_cast<char>(bits >> 10 & 0xFF);
      out += static_cast<char>(bits >> 2 & 0xFF);
    }
    return out;
  }

  ByteStream& in_;
  const std::vector<std::string>& elements_;
  std::vector<std::optional<std::string>> found_;
  std::vector<std::string> stack_;
};

}  // namespace

PictureFormat SniffPictureFormat(std::string_view bytes) {
  if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return PictureFormat::kPng;
  if (bytes.starts_with("\xFF\xD8\xFF")) return PictureFormat::kJpeg;
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return PictureFormat::kGif;
  if (bytes.size() > 14 && bytes.starts_with("BM")) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

const char* PictureExtension(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng:
      return "png";
    case PictureFormat::kJpeg:
      return "jpg";
    case PictureFormat::kGif:
      return "gif";
    case PictureFormat::kBmp:
      return "bmp";
    case PictureFormat::kUnknown:
      break;
  }
  return "";
}

std::string ReadDirectB2SPictureFrom(std::string_view document,
                                     const std::vector<std::string>& elements) {
  ByteStream in(document.substr(0, kMaxDocumentBytes));
  return Scanner(in, elements).Run();
}

std::string ReadDirectB2SPicture(const std::string& path,
                                 const std::vector<std::string>& elements) {
  // Opened without waiting, so a pipe given the name cannot hang the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  struct stat info;
  std::string picture;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    ByteStream in(fd);
    picture = Scanner(in, elements).Run();
  }
  ::close(fd);
  return picture;
}
