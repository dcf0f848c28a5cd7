#include "lsp/base_protocol.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lsp {
namespace {

bool same_ci(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (low(a[i]) != low(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Digits only, at most 18 of them (so the value fits and can be skipped).
bool parse_length(std::string_view s, std::uint64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  out = v;
  return true;
}

}  // namespace

std::size_t MemorySource::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size());
  if (n > 0) std::memcpy(buffer, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

bool MessageReader::fill() {
  if (pos_ > 0) {
    buffer_.erase(0, pos_);
    pos_ = 0;
  }
  char chunk[65536];
  const std::size_t n = in_.read(chunk, sizeof chunk);
  buffer_.append(chunk, n);
  return n > 0;
}

MessageReader::Line MessageReader::header_line(std::string& line) {
  line.clear();
  bool too_long = false;
  for (;;) {
    const std::size_t nl = buffer_.find('\n', pos_);
    const std::size_t end = nl == std::string::npos ? buffer_.size() : nl;
    // A damaged block may hold a huge "line": keep only what a header needs.
    if (!too_long) {
      const std::size_t room = max_header_line + 1 - line.size();
      line.append(buffer_, pos_, std::min(end - pos_, room));
      if (line.size() > max_header_line) too_long = true;
    }
    if (nl != std::string::npos) {
      pos_ = nl + 1;
      if (!too_long && !line.empty() && line.back() == '\r') line.pop_back();
      return too_long ? Line::too_long : Line::complete;
    }
    pos_ = buffer_.size();
    if (!fill()) return Line::end;
  }
}

bool MessageReader::body(std::uint64_t length, std::string* into) {
  if (into) into->reserve(static_cast<std::size_t>(length));
  while (length > 0) {
    if (pos_ == buffer_.size() && !fill()) return false;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer_.size() - pos_));
    if (into) into->append(buffer_, pos_, n);
    pos_ += n;
    length -= n;
  }
  return true;
}

Incoming MessageReader::next() {
  std::string line, problem;
  std::uint64_t length = 0;
  bool has_length = false, any_header = false;
  for (;;) {
    const Line got = header_line(line);
    if (got == Line::end) return {};
    if (got == Line::too_long) {
      if (problem.empty()) problem = "a header line longer than " + std::to_string(max_header_line) + " bytes";
      any_header = true;
      continue;
    }
    if (line.empty()) {
      // Blank lines between messages are tolerated.
      if (!any_header) continue;
      break;
    }
    any_header = true;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      if (problem.empty()) problem = "a header line without ':'";
      continue;
    }
    const std::string_view name = trim(std::string_view(line).substr(0, colon));
    const std::string_view value = trim(std::string_view(line).substr(colon + 1));
    if (same_ci(name, "Content-Length")) {
      if (has_length) {
        if (problem.empty()) problem = "Content-Length given twice";
      } else if (!parse_length(value, length)) {
        if (problem.empty()) problem = "a Content-Length that is not a number";
      } else {
        has_length = true;
      }
    }
    // Content-Type and any other header are ignored: the body is UTF-8 JSON.
  }

  if (!has_length) {
    if (problem.empty()) problem = "no Content-Length header";
    return {Incoming::Kind::malformed, {}, problem};
  }
  // A body above the limit is skipped unread, which costs no memory.
  if (length > max_content_length && problem.empty())
    problem = "a Content-Length above " + std::to_string(max_content_length) + " bytes";
  Incoming in;
  const bool complete = body(length, problem.empty() ? &in.body : nullptr);
  if (!complete) return {};
  if (!problem.empty()) return {Incoming::Kind::malformed, {}, problem};
  in.kind = Incoming::Kind::message;
  return in;
}

std::string frame(std::string_view body) {
  std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out += body;
  return out;
}

}  // namespace lsp
