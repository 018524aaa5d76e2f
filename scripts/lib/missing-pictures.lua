-- pandoc filter for the guides: a picture the guide names that is not in
-- docs/ becomes its description, with a warning, so that a screenshot still
-- to come does not stop a release (embedding it would fail).
local function exists(path)
  local file = io.open(path, 'rb')
  if file then
    file:close()
  end
  return file ~= nil
end

function Image(image)
  if image.src:match('^%a[%w+.-]*:') or exists('docs/' .. image.src) or exists(image.src) then
    return nil
  end
  io.stderr:write('warning: ' .. PANDOC_STATE.input_files[1] .. ': picture ' .. image.src ..
                  ' not found in docs/; its description stands in for it\n')
  return pandoc.Emph(image.caption)
end
