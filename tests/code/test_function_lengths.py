#!/usr/bin/env python3
"""The function-length scanner on the constructs that fool a plain brace counter."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import function_lengths  # noqa: E402

SOURCE = r"""#include <x>
#define BLOCK(a) { a; }
namespace ns {
class Foo : public Bar {
  Q_OBJECT
  Q_PROPERTY(int X READ x WRITE setX)
public:
  Foo() : m_a{1}, m_b(2), m_c{} {
    int x = 1;
  }
  int x() const { return m_a; }
  std::function<void(int)> m_cb{[](int) {}};
private slots:
  void slot() {}
};
} // namespace ns

static const Entry kTable[] = {
    {"a", 1},
    {"b", [] { return 2; }},
};

template <typename T>
T twice(T v,
        int n) noexcept {
  auto f = [&](int k) {
    if (k) { return v; }
    return v;
  };
  const char *s = "}{";
  char c = '{';
  const char *r = R"x(})x";
  return f(n); // }
}

Foo::Foo(int a)
    : Base(a),
      m_x{a} {
  /* { */
}
bool operator<(const A &a, const A &b) { return a.v < b.v; }
auto lam = [](int a) {
  return a;
};
"""

# (name, first line, length): every function body, and nothing else.
EXPECTED = [
    ("Foo", 8, 3),
    ("x", 11, 1),
    ("slot", 14, 1),
    ("twice", 25, 10),
    ("Foo::Foo", 38, 3),
    ("operator<", 41, 1),
]


class ScannerTest(unittest.TestCase):
    def test_finds_each_function_with_its_length(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "sample.cpp")
            with open(path, "w", encoding="utf-8") as f:
                f.write(SOURCE)
            self.assertEqual(list(function_lengths.functions_in(path)), EXPECTED)

    def test_limit_and_allow_list(self):
        body = "void big() {\n" + "  step();\n" * 59 + "}\nvoid small() {\n}\n"
        cases = [
            # (allow-list text, exit status)
            ("", 1),
            ("src/a.cpp big  # a layout table\n", 0),
            ("src/a.cpp big\n", 1),  # no reason
            ("src/a.cpp big  # a layout table\nsrc/a.cpp small  # a table\n", 1),  # stale
        ]
        with tempfile.TemporaryDirectory() as root:
            os.mkdir(os.path.join(root, "src"))
            with open(os.path.join(root, "src", "a.cpp"), "w", encoding="utf-8") as f:
                f.write(body)
            allow = os.path.join(root, "allow.txt")
            for text, status in cases:
                with open(allow, "w", encoding="utf-8") as f:
                    f.write(text)
                with self.subTest(allow=text), open(os.devnull, "w") as quiet:
                    stdout, sys.stdout = sys.stdout, quiet
                    try:
                        got = function_lengths.main(["--root", root, "--allow", allow, "src"])
                    finally:
                        sys.stdout = stdout
                    self.assertEqual(got, status)
            # 61 lines fail, 60 pass.
            with open(allow, "w", encoding="utf-8"):
                pass
            with open(os.devnull, "w") as quiet:
                stdout, sys.stdout = sys.stdout, quiet
                try:
                    self.assertEqual(function_lengths.main(["--root", root, "--allow", allow,
                                                            "--limit", "61", "src"]), 0)
                finally:
                    sys.stdout = stdout


if __name__ == "__main__":
    unittest.main()
