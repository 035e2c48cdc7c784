"""Lists the paths below a folder that a Wine process looked up, from a trace+file log.

    wine_opened_files.py TRACE UNIX_FOLDER

Prints "TIME RELATIVE_PATH found|missing" per lookup, in order (TIME needs
WINEDEBUG=+timestamp). Relative paths use backslashes, as Windows writes them.
"""
import re
import sys

LOOKUP = re.compile(r'^\s*(?:([0-9.]+):)?[0-9a-f]+:trace:file:nt_to_unix_file_name\w* L"(.*?)" (->|not found)')


def decode(wine_string):
    # debugstr_w writes "\\" for a backslash and "\XXXX" (hex) for other characters.
    return re.sub(r'\\\\|\\([0-9a-f]{4})',
                  lambda m: '\\' if m.group(0) == '\\\\' else chr(int(m.group(1), 16)), wine_string)


def main():
    trace, folder = sys.argv[1], sys.argv[2].rstrip('/')
    parts = [p for p in folder.split('/') if p]
    with open(trace, encoding='utf-8', errors='replace') as f:
        for line in f:
            m = LOOKUP.match(line)
            if not m:
                continue
            path = decode(m.group(2)).replace('\\??\\', '')
            names = [p for p in path.split('\\') if p]
            if names and re.fullmatch(r'[A-Za-z]:', names[0]):
                names = names[1:]
            if names[:len(parts)] != parts or len(names) == len(parts):
                continue
            rel = '\\'.join(names[len(parts):])
            print(m.group(1) or '0', rel, 'found' if m.group(3) == '->' else 'missing')


if __name__ == '__main__':
    main()
