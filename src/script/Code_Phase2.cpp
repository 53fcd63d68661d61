#include "script/Code_Phase2.h"

#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Code_Variable.h"

namespace vn {

double number_value(std::string_view text) {
  double value = 0;
  double scale = 1;
  bool hexadecimal = false;
  bool fraction = false;
  for (char character : text) {
    const unsigned char c = static_cast<unsigned char>(character);
    if (c == '$') {
      hexadecimal = true;
    } else if (c == '.') {
      fraction = true;
    } else if (hexadecimal) {
      if (c >= '0' && c <= '9') {
        value = value * 16 + (c - '0');
      } else if (c >= 'A' && c <= 'F') {
        value = value * 16 + 10 + (c - 'A');
      } else if (c >= 'a' && c <= 'f') {
        value = value * 16 + 10 + (c - 'a');
      }
    } else if (c >= '0' && c <= '9') {
      if (fraction) {
        scale = scale / 10;
        value = value + (c - '0') * scale;
      } else {
        value = value * 10 + (c - '0');
      }
    }
  }
  return value;
}

// An identifier is a function when the next token opens an argument list; otherwise a
// resource or constant name, else a variable. Keywords, operators and punctuation keep
// their code as kind and identifier.
bool classify_tokens(const CCode& code, const std::vector<RToken1>& tokens,
                     std::vector<RToken2>& classified) {
  classified.clear();
  classified.reserve(tokens.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    const RToken1& token = tokens[i];
    RToken2 out;
    out.kind = token.kind;
    out.id = token.kind;
    out.position = token.position;
    switch (token.kind) {
      case kTokenIdentifier:
        if (i + 1 < tokens.size() && tokens[i + 1].kind == kTokenOpen) {
          out.kind = kTokenFunction;
          if (!find_function(token.text, out.id)) {
            record_error(code, token.position, "Unknown function or script: " + token.text);
            return false;
          }
        } else if (find_constant(token.text, out.value)) {
          out.kind = kTokenConstant;
          out.id = 0;
        } else {
          out.kind = kTokenVariable;
          out.id = variable_id(token.text);
        }
        break;
      case kTokenNumber:
        out.kind = kTokenConstant;
        out.id = 0;
        out.value = RValue(number_value(token.text));
        break;
      case kTokenString:
        out.kind = kTokenConstant;
        out.id = 0;
        out.value = RValue(token.text);
        break;
      default:
        break;
    }
    classified.push_back(std::move(out));
  }
  return true;
}

}  // namespace vn
