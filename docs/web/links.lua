-- Links from one document to another (file-format.md, user-guide.md#section) lead to the other
-- web page, not to its Markdown; addresses with a scheme and links within a page stay.
function Link(link)
  local page, rest = link.target:match("^([%w%-_]+)%.md(#?.*)$")
  if page then
    link.target = page .. ".html" .. rest
  end
  return link
end
