// A script host merges field data into a letter through the factory, the container and the word
// component, by ProgID, with the stand-in Word behind the document proxy: the merged letter is the
// container's document afterwards and no data file is left.
step("fields from the provider merged into the letter", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(1);
    var container = factory.createproxy(3);
    // cscript runs in the build directory: the proxy and the provider read the samples as files.
    container.setDocumentdataUrl("../../samples/letter.txt", "letter-content.txt");
    container.opendocument();
    var word = factory.createproxy(6);

    word.setFields_gui("../../samples/letter-fields.txt");
    var text = proxy.WordText;
    check(text.indexOf("Dear Ms Anna Berger,") === 0, "the first letter: " + text);
    check(text.indexOf("Dear Mr Ben Schulz,") > 0, "the second letter");
    check(text.indexOf("\u00AB") < 0, "no field left unmerged");
    checkEqual(proxy.WordTempFiles, 0, "data files left in Word's temporary folder");

    proxy.SetUrlText("one-byte.txt", "x");
    checkEqual(errorOf(function () { word.setFields_gui("one-byte.txt"); }), "0x80070057",
               "what field data of one byte raise");
});

finish();
