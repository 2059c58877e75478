<?php
// Domains of the TOLVA Mail Server: read from default.ini's [Domains].
$ini = parse_ini_file("../default.ini", true);
$domains = isset($ini["Domains"]) ? $ini["Domains"] : array();
?>
<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<html>
<head>
<title>TOLVA Mail Server - Domains</title>
<link rel="stylesheet" type="text/css" href="styles.css">
</head>
<body>
<h1>Domains</h1>
<p class="purpose">The local domains of this server. Mail to them is delivered to local accounts.</p>
<table>
<tr><th>Domain</th><th></th></tr>
<?php
$count = isset($domains["Count"]) ? intval($domains["Count"]) : 0;
for ($i = 1; $i <= $count; $i++) {
    $name = htmlspecialchars($domains["Domain" . $i]);
    echo "<tr><td>$name</td><td><a href=\"domainedit.html?domain=$name\">Edit</a></td></tr>\n";
}
?>
</table>
<p><a href="domainadd.html">Add a domain</a> &middot; <a href="domainstat.html">Statistics</a></p>
</body>
</html>
