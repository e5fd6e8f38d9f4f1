#!/usr/bin/env python3
"""Writes a program's manual page, or its bash completion, from the help its command-line parser
prints, so both follow the options as they change. Run at build time (packaging/CMakeLists.txt).

  help_pages.py man  PROGRAM NAME SUMMARY VERSION OUT [--subcommands]
  help_pages.py bash PROGRAM NAME OUT [--subcommands]

PROGRAM is run with --help (and, with --subcommands, each command of its "Subcommands:" section
with COMMAND --help). The help is read as sections ("Options:", "Output:", ...) of entries, each
an indented term followed by two or more blanks and its description, with deeper-indented lines
continuing a description; other lines are paragraphs.
"""
import os
import re
import subprocess
import sys

SECTION = re.compile(r"^([A-Z][A-Za-z -]*):$")
ENTRY = re.compile(r"^  (\S.*?)(?:\s{2,}(\S.*))?$")


def run_help(program, args):
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")  # the desktop program makes its application first
    result = subprocess.run([program, *args, "--help"], capture_output=True, text=True, env=env, timeout=60)
    if result.returncode != 0:
        sys.exit(f"{program} {' '.join(args)} --help failed with status {result.returncode}:\n{result.stderr}")
    return result.stdout


def parse(text):
    """Returns (usage, paragraphs, sections): sections a list of (title, [(term, description)])."""
    usage, paragraphs, sections = "", [], []
    current = None
    paragraph = []

    def end_paragraph():
        if paragraph:
            paragraphs.append(" ".join(paragraph))
            paragraph.clear()

    for line in text.splitlines():
        if line.startswith("Usage:"):
            end_paragraph()
            usage = line[len("Usage:"):].strip()
            current = None
            continue
        header = SECTION.match(line)
        if header:
            end_paragraph()
            current = (header.group(1), [])
            sections.append(current)
            continue
        if current is not None and line.startswith("   ") and current[1]:
            term, description = current[1][-1]
            current[1][-1] = (term, (description + " " + line.strip()).strip())
            continue
        entry = ENTRY.match(line) if current is not None else None
        if entry:
            current[1].append((entry.group(1).strip(), (entry.group(2) or "").strip()))
            continue
        if not line.strip():
            end_paragraph()
            continue
        current = None
        paragraph.append(line.strip())
    end_paragraph()
    return usage, paragraphs, sections


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    # Characters beyond ASCII (2θ, Å) as groff's named Unicode escapes, whatever the input encoding.
    text = "".join(c if ord(c) < 128 else f"\\[u{ord(c):04X}]" for c in text)
    return "\\&" + text if text.startswith((".", "'")) else text


def man_sections(sections, level):
    out = []
    for title, entries in sections:
        out.append(f'{level} "{roff(title.upper() if level == ".SH" else title)}"')
        for term, description in entries:
            out += [".TP", f"\\fB{roff(term)}\\fR", roff(description) if description else ""]
    return out


def subcommands(sections):
    for title, entries in sections:
        if title.lower() == "subcommands":
            return [term.split()[0] for term, _ in entries]
    return []


def write_man(program, name, summary, version, out_path, with_subcommands):
    usage, paragraphs, sections = parse(run_help(program, []))
    commands = subcommands(sections) if with_subcommands else []
    lines = [
        f'.TH "{name.upper()}" "1" "" "{roff(name)} {roff(version)}" "User Commands"',
        ".SH NAME",
        f"{roff(name)} \\- {roff(summary)}",
        ".SH SYNOPSIS",
    ]
    lines += [f"\\fB{roff(name)}\\fR {roff(usage.split(None, 1)[1] if ' ' in usage else '')}"]
    for command in commands:
        sub_usage, _, _ = parse(run_help(program, [command]))
        lines += [".br", roff(sub_usage)]
    lines.append(".SH DESCRIPTION")
    for p in paragraphs:
        lines += [roff(p), ".PP"]
    if lines[-1] == ".PP":
        lines.pop()
    lines += man_sections([s for s in sections if s[0].lower() != "subcommands"], ".SH")
    if commands:
        lines.append(".SH COMMANDS")
        for command in commands:
            sub_usage, sub_paragraphs, sub_sections = parse(run_help(program, [command]))
            lines.append(f'.SS "{roff(name)} {roff(command)}"')
            lines += [roff(p) + "\n.PP" for p in sub_paragraphs]
            lines += [f"Usage: \\fB{roff(sub_usage)}\\fR"]
            for title, entries in sub_sections:
                lines += [".PP", f"\\fI{roff(title)}\\fR"]
                for term, description in entries:
                    lines += [".TP", f"\\fB{roff(term)}\\fR", roff(description) if description else ""]
    lines.append("")
    with open(out_path, "w", encoding="utf-8") as f:
        f.write("\n".join(line for line in lines if line is not None))


def option_words(sections):
    """The option names, and for options that take a value its kind: a list of choices, "dir" or "file"."""
    options, values = [], {}
    for title, entries in sections:
        if title.lower() in ("positionals", "arguments", "subcommands"):
            continue
        for term, _ in entries:
            names = [w for w in re.split(r"[,\s]+", term) if w.startswith("-")]
            rest = re.sub(r"^(-[^\s,]+,?\s*)+", "", term).strip()
            options += names
            if not rest:
                continue
            word = rest.split()[0]
            choices = re.search(r":\{([^}]*)\}", rest)
            if choices:
                kind = choices.group(1).replace(",", " ")
            elif "|" in word:
                kind = word.replace("|", " ")  # a type name that lists the values
            else:
                kind = "dir" if word == "DIR" else "file"
            for n in names:
                values[n] = kind
    return options, values


def write_bash(program, name, out_path, with_subcommands):
    _, _, sections = parse(run_help(program, []))
    function = "_" + re.sub(r"\W", "_", name)
    top_options, top_values = option_words(sections)
    commands = subcommands(sections) if with_subcommands else []
    lines = [
        f"# bash completion for {name}, written from its --help when it was built.",
        f"{function}()",
        "{",
        '    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} cmd="" i',
    ]
    if commands:
        lines += [
            "    for ((i = 1; i < COMP_CWORD; i++)); do",
            "        case ${COMP_WORDS[i]} in",
            f"            {'|'.join(commands)}) cmd=${{COMP_WORDS[i]}}; break ;;",
            "        esac",
            "    done",
            '    if [[ -z $cmd ]]; then',
            f'        COMPREPLY=($(compgen -W "{" ".join(commands + top_options)}" -- "$cur"))',
            "        return",
            "    fi",
        ]
        per_command = {c: option_words(parse(run_help(program, [c]))[2]) for c in commands}
    else:
        per_command = {"": (top_options, top_values)}
    lines.append('    case "$cmd $prev" in')
    for command, (_, values) in per_command.items():
        for option, kind in values.items():
            if kind == "dir":
                action = 'COMPREPLY=($(compgen -d -- "$cur"))'
            elif kind == "file":
                action = "COMPREPLY=()"
            else:
                action = f'COMPREPLY=($(compgen -W "{kind}" -- "$cur"))'
            lines.append(f'        "{command} {option}") {action}; return ;;')
    lines += ["    esac", '    if [[ $cur == -* ]]; then', '        case $cmd in']
    for command, (options, _) in per_command.items():
        lines.append(f'            "{command}") COMPREPLY=($(compgen -W "{" ".join(options)}" -- "$cur")) ;;')
    lines += ["        esac", "        return", "    fi", "    COMPREPLY=()  # files", "}",
              f"complete -o default -F {function} {name}", ""]
    with open(out_path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def main(argv):
    with_subcommands = "--subcommands" in argv
    argv = [a for a in argv if a != "--subcommands"]
    if len(argv) == 7 and argv[1] == "man":
        write_man(*argv[2:7], with_subcommands)
    elif len(argv) == 5 and argv[1] == "bash":
        write_bash(*argv[2:5], with_subcommands)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
