<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>회원 게시판</title></head>
<body>
<h1>회원 게시판</h1>
<p>아직 게시물이 없습니다.</p>
</body>
</html>
