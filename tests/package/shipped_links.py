"""What a package's text files point at must be in the package: a Markdown
link, or the name of a document, example or header (with its folder when
it has one). Absolute paths count only under the package's own folders,
and a system header (<stdio.h>) not at all: the rest of the system is not
the package's to ship."""
import re

LINK = re.compile(r"\]\(([^)#\s]+)")
NAME = re.compile(r"(?<![\w.<-])((?:[/\\]?[\w.-]+[/\\])*[\w-]+\.(?:md|txt|bat|c|h|rules))\b")
INSTALLED = re.compile(r"/usr/[\w/-]*nelvo(?:[\w./-]*\w)?")
ROFF = re.compile(r"\\f[BIRP]|\\&")


def mentions(text):
    """File names that a text points at, roff's escapes read as text."""
    text = ROFF.sub("", text.replace("\\-", "-").replace("\\e", "\\"))
    names = LINK.findall(text) + NAME.findall(text) + INSTALLED.findall(text)
    return {name.replace("\\", "/") for name in names}


def dead_links(texts, shipped, own_folders=()):
    """texts: {file name: its text}; shipped: the package's files, relative
    to its top (with own_folders, as installed: /usr/...). Returns one line
    for each name pointed at that the package lacks."""
    dead = []
    base_names = {file.split("/")[-1] for file in shipped}
    for name, text in sorted(texts.items()):
        for target in sorted(mentions(text)):
            if target.startswith("/"):
                if any(target.startswith(folder) for folder in own_folders) and \
                        target not in shipped:
                    dead.append(f"{name} points at {target}, which the package lacks")
            elif target not in shipped and target.split("/")[-1] not in base_names:
                dead.append(f"{name} points at {target}, which the package lacks")
    return dead
