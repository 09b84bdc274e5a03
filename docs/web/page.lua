-- What the web pages need beyond pandoc's HTML.

-- Links from one document to another (file-format.md, user-guide.md#section) lead to the other
-- web page, not to its Markdown; addresses with a scheme and links within a page stay.
function Link(link)
  local page, rest = link.target:match("^([%w%-_]+)%.md(#?.*)$")
  if page then
    link.target = page .. ".html" .. rest
  end
  return link
end

-- Inline code breaks only between its words: each word is kept whole (style.html), so that
-- "--force" never splits after a hyphen, while a long span still wraps at its spaces.
function Code(code)
  local html = code.text:gsub("&", "&amp;"):gsub("<", "&lt;"):gsub(">", "&gt;")
  html = html:gsub("%S+", '<span class="word">%0</span>')
  return pandoc.RawInline("html", "<code>" .. html .. "</code>")
end
